// quillbay.exe: the program on the real machine - every port bound to the platform.

#include "app/program_win32.h"
#include "app/start_marks_win32.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/locale_win32.h"
#include "platform/win32/netapi32_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/security_win32.h"
#include "platform/win32/user32_win32.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    qb::app::LoadDllsFromSystemFolderOnly();
    const std::unique_ptr<qb::app::StartMarksFile> marks =
        qb::app::StartMarksFile::FromEnvironment();
    if (marks)
        marks->Marks().Take(qb::stage::Process);
    qb::win32::Win32Netapi32 netapi;
    qb::win32::Win32AccountSecurity security;
    qb::win32::Win32Registry registry;
    qb::win32::Win32Kernel32 kernel;
    qb::win32::Win32User32 user;
    qb::win32::Win32Locale locale;
    qb::Globals g(qb::platform::WithOneKernel(netapi, security, registry, kernel, user));
    g.Marks = marks ? &marks->Marks() : nullptr;
    return qb::app::RunProgram(g, locale, showCommand);
}
