#pragma once
// A kernel32 for tests of portable code: a single-byte code page in which byte n is the
// character n (Latin-1), environment variables from a map, a settable program path and
// clock. Every mutex is new; simulated_machine.h models mutexes for start-up tests.

#include "platform/kernel32.h"

#include <map>
#include <string>

namespace qb::testing {

class FakeKernel32 : public platform::Kernel32 {
public:
    platform::Handle CreateNamedMutex(bool, std::string_view, std::uint32_t& lastError) override {
        lastError = 0;
        return 1;
    }
    bool CloseHandle(platform::Handle) override { return true; }
    std::uint32_t GetTickCount() override { return tickCount; }
    platform::SystemTime GetLocalTime() override { return localTime; }
    bool QueryVersion(platform::OsVersionInfo& info, bool extended) override;
    std::uint32_t GetTimeZoneInformation(platform::TimeZoneInformation& info) override;
    std::string WideCharToMultiByte(std::uint32_t codePage, std::wstring_view text,
                                    char defaultChar) override;
    std::wstring MultiByteToWideChar(std::uint32_t codePage, std::string_view text) override;
    // Replaces %NAME% when NAME is in `environment` (names compared without regard to
    // case, as the platform does) and leaves other references as they are.
    bool ExpandEnvironment(std::string_view text, std::string& expanded) override;
    std::wstring ProgramPath() override { return programPath; }

    std::uint32_t tickCount = 0;
    platform::SystemTime localTime{2026, 12, 6, 5, 12, 0, 0, 0};
    platform::OsVersionInfo version{10, 0, 19045, platform::platform_id::WindowsNt, ""};
    platform::TimeZoneInformation timeZone{};
    std::map<std::string, std::string> environment{{"SystemRoot", "C:\\Windows"}};
    bool failExpansion = false;
    std::wstring programPath = L"C:\\Tools\\quillbay.exe";

    int expansions = 0;
};

} // namespace qb::testing
