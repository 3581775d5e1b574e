#pragma once
// The kernel32 roles bound to the real kernel32, and the text conversions the other
// bindings share.

#include "platform/kernel32.h"

#include <string>
#include <string_view>

namespace qb::win32 {

// Text of the system's ANSI code page as UTF-16 (the platform's own conversion).
std::wstring FromAnsi(std::string_view text);

class Win32Kernel32 final : public platform::SingleInstanceApi,
                            public platform::ClockApi,
                            public platform::TimeZoneApi,
                            public platform::TextApi,
                            public platform::PathsApi,
                            public platform::ProgramsApi {
public:
    platform::Handle CreateNamedMutex(bool initialOwner, std::string_view name,
                                      std::uint32_t& lastError) override;
    bool CloseHandle(platform::Handle handle) override;
    std::uint32_t GetTickCount() override;
    platform::SystemTime GetLocalTime() override;
    bool QueryVersion(platform::OsVersionInfo& info, bool extended) override;
    std::uint32_t GetTimeZoneInformation(platform::TimeZoneInformation& info) override;
    // UTF-8 and UTF-7 refuse a replacement character; for them invalid text is replaced by
    // the platform's own choice and `defaultChar` is not used.
    std::string WideCharToMultiByte(std::uint32_t codePage, std::wstring_view text,
                                    char defaultChar) override;
    std::wstring MultiByteToWideChar(std::uint32_t codePage, std::string_view text) override;
    bool ExpandEnvironment(std::string_view text, std::string& expanded) override;
    // Empty when the platform cannot tell.
    std::wstring ProgramPath() override;
    bool StartProgram(std::wstring_view path, std::uint32_t showCommand) override;
};

} // namespace qb::win32
