// The soak's probe, loaded into the demo's process by the soak where the platform cannot
// tell from outside what a process holds (Wine answers GetGuiResources with "not
// implemented", its process handle count is always 0 and its memory counters of another
// process are empty). On each request it counts from inside: the kernel handles and the GDI
// objects by their handles, the USER objects as the process's windows and menus, and the
// private memory as the process's own counters give it.
//
// Requests and answers go through named kernel objects of the process's id: the event
// "QuillBaySoakProbe-<pid>-ask", a mapping of the counts "-counts" and the event "-done".

#include <windows.h>

#include <psapi.h>

#include <string>

namespace {

struct Counts {
    DWORD handles;
    DWORD gdiObjects;
    DWORD userObjects;
    ULONGLONG privateBytes;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM data) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId())
        ++*reinterpret_cast<DWORD*>(data);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM data) {
    CountWindow(window, data);
    EnumChildWindows(window, CountWindow, data);
    return TRUE;
}

Counts Count() {
    Counts counts{0, 0, 0, 0};
    // Kernel handles are multiples of four; the probe's own four are always among them.
    DWORD flags = 0;
    for (ULONG_PTR handle = 4; handle < 0x40000; handle += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags))
            ++counts.handles;
    // A handle's low word names its slot in the process's table; Wine takes the slot alone
    // for the handle.
    for (ULONG_PTR slot = 1; slot < 0x10000; ++slot) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0)
            ++counts.gdiObjects;
        if (IsMenu(reinterpret_cast<HMENU>(slot)))
            ++counts.userObjects;
    }
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&counts.userObjects));
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
        counts.privateBytes = memory.PagefileUsage; // the commit charge; Wine leaves PrivateUsage 0
    return counts;
}

DWORD WINAPI Serve(LPVOID) {
    const std::wstring name = L"QuillBaySoakProbe-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE ask = CreateEventW(nullptr, FALSE, FALSE, (name + L"-ask").c_str());
    const HANDLE done = CreateEventW(nullptr, FALSE, FALSE, (name + L"-done").c_str());
    const HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              sizeof(Counts), (name + L"-counts").c_str());
    auto* counts =
        mapping != nullptr
            ? static_cast<Counts*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Counts)))
            : nullptr;
    if (ask == nullptr || done == nullptr || counts == nullptr)
        return 1;
    for (;;) {
        WaitForSingleObject(ask, INFINITE);
        *counts = Count();
        SetEvent(done);
    }
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        const HANDLE thread = CreateThread(nullptr, 0, Serve, nullptr, 0, nullptr);
        if (thread != nullptr)
            CloseHandle(thread);
    }
    return TRUE;
}
