#include "app/app_version_win32.h"

#include "services/version_record.h"
#include "startup/startup.h"

#include <windows.h>

#include <span>

namespace qb::app {

namespace {

constexpr WORD kVersionRecordId = 1; // VS_VERSION_INFO

std::wstring Text(const services::VersionRecord& record, const wchar_t* name) {
    const auto found = record.strings.find(name);
    return found != record.strings.end() ? found->second : std::wstring();
}

} // namespace

mainwindow::AppVersion ReadAppVersion() {
    mainwindow::AppVersion version;
    version.fileDescription = kAppTitle;
    // The record among the program's own resources, read without VERSION.dll.
    const HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(kVersionRecordId), RT_VERSION);
    const HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = resource != nullptr ? SizeofResource(nullptr, resource) : 0;
    if (data == nullptr || size == 0)
        return version;
    const auto record = services::ParseVersionRecord(
        std::span(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size)));
    if (!record)
        return version;
    version.major = record->major;
    version.minor = record->minor;
    version.revision = record->build;
    version.companyName = Text(*record, L"CompanyName");
    if (std::wstring description = Text(*record, L"FileDescription"); !description.empty())
        version.fileDescription = std::move(description);
    return version;
}

} // namespace qb::app
