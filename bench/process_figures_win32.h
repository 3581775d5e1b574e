#pragma once
// What a running process holds: its private memory, handles, GDI and USER objects, taken
// from outside it, for the start-up benchmark and the soak. Windows only.

#include "app/start_marks_win32.h"

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace qb::bench {

// What a started process holds. Where the platform does not count something itself (Wine
// counts neither handles nor GDI nor USER objects for another process), a count of our
// own stands in, and `approximated` says which.
struct Figures {
    double privateBytes = 0;
    double handles = 0;
    double gdiObjects = 0;
    double userObjects = 0;
};
inline std::map<std::string, std::string> approximated;

// The entries of the system's handle table that belong to `process`.
inline DWORD CountHandlesInSystemTable(DWORD process) {
    struct Entry {
        USHORT processId;
        USHORT creatorBackTrace;
        UCHAR type;
        UCHAR attributes;
        USHORT handle;
        PVOID object;
        ULONG access;
    };
    std::vector<char> buffer(1 << 20);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(
            SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            const auto count = *reinterpret_cast<const ULONG*>(buffer.data());
            const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
            DWORD own = 0;
            for (ULONG i = 0; i < count; ++i)
                own += entries[i].processId == static_cast<USHORT>(process) ? 1 : 0;
            return own;
        }
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
    }
    return 0;
}

// The GDI objects in use in the handle table the process's environment block points at:
// the platform's own table, which Wine keeps per process.
inline DWORD CountGdiObjectsInTable(HANDLE process, DWORD processId) {
    constexpr std::size_t kTableOffset = 0xF8; // GdiSharedHandleTable in a 64-bit PEB
    constexpr std::size_t kEntries = 0x10000;
    struct Cell {
        UINT64 kernelObject;
        USHORT processId;
        USHORT count;
        USHORT upper;
        USHORT type;
        UINT64 userObject;
    };
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic),
                                  &length) != 0)
        return 0;
    UINT64 table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process,
                           reinterpret_cast<const char*>(basic.PebBaseAddress) + kTableOffset,
                           &table, sizeof(table), &read) ||
        table == 0)
        return 0;
    std::vector<Cell> cells(kEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), cells.data(),
                           cells.size() * sizeof(Cell), &read))
        return 0;
    DWORD used = 0;
    for (const Cell& c : cells)
        used += c.type != 0 && (c.processId == 0 || c.processId == static_cast<USHORT>(processId));
    return used;
}

// The windows of `process`, top-level and child.
inline DWORD CountWindows(DWORD process) {
    struct Count {
        DWORD process;
        DWORD windows;
    } count{process, 0};
    EnumWindows(
        [](HWND w, LPARAM data) -> BOOL {
            auto& c = *reinterpret_cast<Count*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == c.process) {
                ++c.windows;
                EnumChildWindows(
                    w,
                    [](HWND, LPARAM counted) -> BOOL {
                        ++reinterpret_cast<Count*>(counted)->windows;
                        return TRUE;
                    },
                    data);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.windows;
}

inline Figures MeasureFigures(HANDLE process, DWORD processId) {
    Figures f;
    f.privateBytes = static_cast<double>(qb::app::PrivateBytes(process));
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters)) ||
        counters.PrivateUsage == 0)
        approximated["private memory"] = "the committed private pages of the address space";
    DWORD handles = 0;
    if (!GetProcessHandleCount(process, &handles) || handles == 0) {
        handles = CountHandlesInSystemTable(processId);
        approximated["handles"] = "the system's handle table";
    }
    f.handles = handles;
    DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    if (gdi == 0) {
        gdi = CountGdiObjectsInTable(process, processId);
        approximated["GDI objects"] = "the process's GDI handle table";
    }
    f.gdiObjects = gdi;
    DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    if (user == 0) {
        user = CountWindows(processId);
        approximated["USER objects"] = "its windows only";
    }
    f.userObjects = user;
    return f;
}

} // namespace qb::bench
