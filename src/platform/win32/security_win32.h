#pragma once
// Who is logged on and what security identifiers are called, bound to the real advapi32,
// and the conversions between the platform's SID structures and platform::Sid.

#include "platform/advapi32.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace qb::win32 {

// A copy of a platform SID as a value; nullopt for a null or malformed SID.
std::optional<platform::Sid> SidFromPlatform(PSID sid);

// A platform SID built from a value, valid as long as the buffer lives.
class PlatformSid {
public:
    explicit PlatformSid(const platform::Sid& sid);

    // False when the value cannot be a SID (a revision other than 1 or more than 15
    // sub-authorities); Get() is null then.
    bool Valid() const noexcept { return !storage_.empty(); }
    PSID Get() noexcept { return Valid() ? static_cast<PSID>(storage_.data()) : nullptr; }

private:
    std::vector<DWORD> storage_; // DWORDs keep the structure suitably aligned
};

class Win32AccountSecurity final : public platform::AccountSecurity {
public:
    bool QueryUserName(std::wstring& name) override;
    std::optional<platform::Sid> StringToSid(std::string_view text) override;
    bool LookupSidName(const platform::Sid& sid, std::wstring& name, std::wstring& domain) override;
};

} // namespace qb::win32
