// The registry service and its Win32 binding against Wine's registry. Every test works in
// a key of its own under HKEY_LOCAL_MACHINE\SOFTWARE that the backend creates and removes;
// test values are set and checked with the raw Win32 API.

#include "platform/win32/handles.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/registry_win32.h"
#include "registry_cases.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::services {
namespace {

class WineRegistry {
public:
    WineRegistry() {
        static int keysMade = 0;
        created_ = L"SOFTWARE\\QuillBayTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++keysMade);
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, created_.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key_.Receive(), nullptr),
                  ERROR_SUCCESS);
    }
    ~WineRegistry() {
        key_.Reset();
        EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, created_.c_str()), ERROR_SUCCESS);
    }
    WineRegistry(const WineRegistry&) = delete;
    WineRegistry& operator=(const WineRegistry&) = delete;

    platform::RegistryApi& Registry() { return registry_; }
    platform::TextApi& Text() { return kernel_; }
    platform::PathsApi& Paths() { return kernel_; }
    std::wstring KeyPath() const { return created_; }

    void SetText(const wchar_t* name, std::uint32_t type, std::wstring_view text) {
        Store(name, type, text.data(), text.size() * sizeof(wchar_t));
    }
    void SetBytes(const wchar_t* name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
        Store(name, type, bytes.data(), bytes.size());
    }
    // As the program's "A" calls see it.
    cases::Stored Raw(const char* name) {
        cases::Stored value{REG_NONE, std::vector<std::uint8_t>(256)};
        DWORD type = REG_NONE;
        DWORD size = 256;
        if (RegQueryValueExA(key_.Get(), name, nullptr, &type, value.second.data(), &size))
            return {REG_NONE, {}};
        value.first = type;
        value.second.resize(size);
        return value;
    }
    bool KeyIsEmpty() {
        DWORD subKeys = 99;
        DWORD values = 99;
        EXPECT_EQ(RegQueryInfoKeyW(key_.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr,
                                   nullptr, &values, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        return subKeys == 0 && values == 0;
    }
    std::wstring SystemRoot() {
        wchar_t systemRoot[MAX_PATH] = {};
        EXPECT_GT(GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH), 0u);
        return systemRoot;
    }
    // The platform does not tell which keys a process holds open.
    std::optional<std::size_t> OpenKeys() { return std::nullopt; }

private:
    void Store(const wchar_t* name, DWORD type, const void* data, std::size_t size) {
        EXPECT_EQ(RegSetValueExW(key_.Get(), name, 0, type, static_cast<const BYTE*>(data),
                                 static_cast<DWORD>(size)),
                  ERROR_SUCCESS)
            << name;
    }

    std::wstring created_;
    win32::UniqueKey key_;
    win32::Win32Registry registry_;
    win32::Win32Kernel32 kernel_;
};

using namespace cases;
INSTANTIATE_TYPED_TEST_SUITE_P(Wine, RegistryService, WineRegistry);

} // namespace
} // namespace qb::services
