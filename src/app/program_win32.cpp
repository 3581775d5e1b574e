#include "app/program_win32.h"

#include "app/app_version_win32.h"
#include "controls/accessible_win32.h"
#include "mainwindow/input_form_win32.h"
#include "startup/startup.h"

#include <windows.h>

namespace qb::app {

void LoadDllsFromSystemFolderOnly() {
    // Looked up rather than imported: Windows 7 has it only with its loader update
    // (KB2533623), and a missing import would keep the program from starting at all.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Without it, at least the current folder is no longer searched.
    SetDllDirectoryW(L"");
}

int RunProgram(Globals& g, platform::LocaleApi& locale, int showCommand) {
    // Held for the whole run; a refused start keeps it to the end of the process too.
    StartResult start = StartProgram(g);
    if (start.outcome != StartOutcome::Started)
        return 0; // another copy runs, or the platform was refused with a message
    // Screen readers reach the window's painted parts through COM.
    const controls::ComApartment com;
    std::unique_ptr<mainwindow::InputForm> form =
        mainwindow::InputForm::Create(g, locale, ReadAppVersion());
    if (!form) {
        g.ports.user.ShowMessageBox(0, L"The main window could not be created.", kAppTitle,
                                    platform::mb::Ok | platform::mb::IconStop);
        return 1;
    }
    // The window's unload ends the run: the instance is free for the next start at once.
    form->Unloaded = [&start] {
        start.instance.Release();
        PostQuitMessage(0);
    };
    form->Show(showCommand);
    MSG msg;
    // The start is over once the window is painted, every part of it: the first time
    // nothing waits in the queue, painting included.
    bool painted = g.Marks == nullptr;
    for (;;) {
        if (!painted && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            g.MarkStage(stage::FirstPaint);
            painted = true;
        }
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
            break;
        // Tab and the arrow keys move between the window's controls, as in a dialog.
        if (IsDialogMessageW(form->Window(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

} // namespace qb::app
