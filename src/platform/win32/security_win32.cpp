#include "platform/win32/security_win32.h"

#include "platform/win32/handles.h"
#include "platform/win32/kernel32_win32.h"

#include <sddl.h>

#include <algorithm>
#include <iterator>

namespace qb::win32 {

namespace {

// The first `length` characters that a lookup reported. Windows reports the length
// without the NUL, Wine's ANSI lookup with it; a name never contains a NUL, so the text
// ends at the first one in either case.
std::string_view Reported(std::string_view buffer, DWORD length) {
    buffer = buffer.substr(0, length);
    return buffer.substr(0, buffer.find('\0'));
}

} // namespace

std::optional<platform::Sid> SidFromPlatform(PSID sid) {
    if (sid == nullptr || !::IsValidSid(sid))
        return std::nullopt;
    platform::Sid value;
    value.revision = static_cast<const SID*>(sid)->Revision;
    const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
    std::copy(std::begin(authority->Value), std::end(authority->Value),
              value.identifierAuthority.begin());
    const UCHAR count = *::GetSidSubAuthorityCount(sid);
    value.subAuthorities.reserve(count);
    for (UCHAR i = 0; i < count; ++i)
        value.subAuthorities.push_back(*::GetSidSubAuthority(sid, i));
    return value;
}

PlatformSid::PlatformSid(const platform::Sid& sid) {
    if (sid.revision != SID_REVISION || sid.subAuthorities.size() > SID_MAX_SUB_AUTHORITIES)
        return;
    const auto count = static_cast<UCHAR>(sid.subAuthorities.size());
    const DWORD length = ::GetSidLengthRequired(count);
    storage_.assign((length + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    SID_IDENTIFIER_AUTHORITY authority{};
    std::copy(sid.identifierAuthority.begin(), sid.identifierAuthority.end(),
              std::begin(authority.Value));
    if (!::InitializeSid(storage_.data(), &authority, count)) {
        storage_.clear();
        return;
    }
    for (UCHAR i = 0; i < count; ++i)
        *::GetSidSubAuthority(storage_.data(), i) = sid.subAuthorities[i];
}

bool Win32AccountSecurity::QueryUserName(std::wstring& name) {
    // The longest user name is 256 characters; one more keeps a NUL after it in any case.
    char buffer[257] = {};
    DWORD size = 256;
    if (!::GetUserNameA(buffer, &size)) {
        name.clear();
        return false;
    }
    name = FromAnsi(std::string(buffer, std::find(std::begin(buffer), std::end(buffer), '\0')));
    return true;
}

std::optional<platform::Sid> Win32AccountSecurity::StringToSid(std::string_view text) {
    const std::string source(text);
    UniqueLocal<PSID> sid;
    if (!::ConvertStringSidToSidA(source.c_str(), sid.Receive()))
        return std::nullopt;
    return SidFromPlatform(sid.Get());
}

bool Win32AccountSecurity::LookupSidName(const platform::Sid& sid, std::wstring& name,
                                         std::wstring& domain) {
    name.clear();
    domain.clear();
    PlatformSid platformSid(sid);
    if (!platformSid.Valid())
        return false;

    // The first call fails by design and only reports the lengths (with the NUL) that the
    // name and the domain need.
    DWORD nameLength = 0;
    DWORD domainLength = 0;
    SID_NAME_USE use{};
    ::LookupAccountSidA(nullptr, platformSid.Get(), nullptr, &nameLength, nullptr, &domainLength,
                        &use);

    std::string nameBuffer(nameLength, '\0');
    std::string domainBuffer(domainLength, '\0');
    DWORD nameReported = nameLength;
    DWORD domainReported = domainLength;
    if (!::LookupAccountSidA(nullptr, platformSid.Get(), nameBuffer.data(), &nameReported,
                             domainBuffer.data(), &domainReported, &use))
        return false;
    name = FromAnsi(Reported(nameBuffer, nameReported));
    domain = FromAnsi(Reported(domainBuffer, domainReported));
    return true;
}

} // namespace qb::win32
