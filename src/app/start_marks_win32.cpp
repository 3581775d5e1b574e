#include "app/start_marks_win32.h"

#include "platform/win32/handles.h"

#include <psapi.h>

namespace qb::app {

namespace {

std::int64_t CounterNow() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

std::uint64_t OwnPrivateBytes() {
    return PrivateBytes(GetCurrentProcess());
}

} // namespace

std::uint64_t PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters)) &&
        counters.PrivateUsage != 0)
        return counters.PrivateUsage;
    std::uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region{};
    const char* at = nullptr;
    while (VirtualQueryEx(process, at, &region, sizeof(region)) == sizeof(region)) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}

std::unique_ptr<StartMarksFile> StartMarksFile::FromEnvironment() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(kStartMarksVariable, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return std::unique_ptr<StartMarksFile>(
        new StartMarksFile(std::wstring(path, length), frequency.QuadPart));
}

StartMarksFile::StartMarksFile(std::wstring path, std::int64_t ticksPerSecond)
    : path_(std::move(path)), marks_(CounterNow, OwnPrivateBytes, ticksPerSecond) {}

StartMarksFile::~StartMarksFile() {
    const std::string report = marks_.Report();
    const win32::UniqueFile file(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    WriteFile(file.Get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
}

} // namespace qb::app
