#include "app/app_version_win32.h"

#include "startup/startup.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace qb::app {

namespace {

// A string of the record's first translation, e.g. "\StringFileInfo\040904B0\CompanyName".
std::wstring StringValue(const std::vector<BYTE>& record, const wchar_t* name) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &size) ||
        size < sizeof(Translation))
        return {};
    wchar_t path[96];
    std::swprintf(path, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translations->language,
                  translations->codePage, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(record.data(), path, reinterpret_cast<void**>(&value), &size) ||
        value == nullptr || size == 0)
        return {};
    return std::wstring(value, wcsnlen(value, size));
}

} // namespace

mainwindow::AppVersion ReadAppVersion() {
    mainwindow::AppVersion version;
    version.fileDescription = kAppTitle;
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return version;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return version;
    std::vector<BYTE> record(size);
    if (!GetFileVersionInfoW(path, 0, size, record.data()))
        return version;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) &&
        fixed != nullptr && fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
        version.major = HIWORD(fixed->dwFileVersionMS);
        version.minor = LOWORD(fixed->dwFileVersionMS);
        version.revision = HIWORD(fixed->dwFileVersionLS);
    }
    version.companyName = StringValue(record, L"CompanyName");
    if (std::wstring description = StringValue(record, L"FileDescription"); !description.empty())
        version.fileDescription = std::move(description);
    return version;
}

} // namespace qb::app
