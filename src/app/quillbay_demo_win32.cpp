// quillbay-demo.exe: the program on a simulated machine kept in a file. The account
// database and the account look-ups (who is logged on, what a security identifier is
// called) are the simulated machine's; everything else - windows, registry, mutex,
// companion messages, time zone - is the real platform's.
//
//   quillbay-demo.exe [--machine FILE]
//
// Without --machine the machine lives in the user's local application data folder
// ("Quill Bay\demo-machine.json"), made on first start from the machine built into the
// program. Whatever the program writes is saved to the file at once, so it survives a
// restart. A file that cannot be read or understood is named in a message, with the
// problem, and left untouched.

#include "app/program_win32.h"
#include "app/start_marks_win32.h"
#include "platform/simulated/simulated_machine.h"
#include "platform/win32/handles.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/locale_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/user32_win32.h"
#include "startup/startup.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr wchar_t kDefaultMachineResource[] = L"DEFAULTMACHINE";
constexpr wchar_t kUsage[] = L"Usage: quillbay-demo.exe [--machine FILE]";

void ShowError(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), qb::kAppTitle, MB_OK | MB_ICONSTOP);
}

std::wstring Widen(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

// The machine file named on the command line; an empty path when none is, and nothing
// when the command line is not understood. The arguments are the runtime's, split as the
// shell would split them: the shell's own library costs every start a few milliseconds to
// load, and is loaded only where it is needed (DefaultMachine).
std::optional<std::filesystem::path> MachineArgument() {
    const int count = __argc;
    wchar_t** args = __wargv;
    if (args == nullptr)
        return std::nullopt;
    std::optional<std::filesystem::path> machine = std::filesystem::path();
    for (int i = 1; i < count; ++i) {
        if (std::wstring(args[i]) == L"--machine" && i + 1 < count)
            machine = std::filesystem::path(args[++i]);
        else
            machine.reset();
        if (!machine)
            break;
    }
    return machine;
}

// SHGetFolderPathW, from the shell's library in the system folder (named in full: no
// other folder is searched for it).
HRESULT LocalAppDataFolder(wchar_t (&folder)[MAX_PATH]) {
    using Function = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;
    const std::wstring library = std::wstring(system, length) + L"\\shell32.dll";
    const qb::win32::UniqueModule shell(LoadLibraryW(library.c_str()));
    const auto get = shell ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(
                                 GetProcAddress(shell.Get(), "SHGetFolderPathW")))
                           : nullptr;
    if (get == nullptr)
        return E_FAIL;
    return get(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder);
}

// The default machine file; made from the built-in machine when it does not exist yet.
// Empty when there is no folder for it; `problem` says why.
std::filesystem::path DefaultMachine(std::wstring& problem) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(LocalAppDataFolder(folder))) {
        problem = L"The local application data folder could not be found.";
        return {};
    }
    const std::filesystem::path directory = std::filesystem::path(folder) / L"Quill Bay";
    std::filesystem::path file = directory / L"demo-machine.json";
    std::error_code error;
    if (std::filesystem::exists(file, error))
        return file;
    std::filesystem::create_directories(directory, error);
    const HRSRC resource = FindResourceW(nullptr, kDefaultMachineResource, RT_RCDATA);
    const HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = resource != nullptr ? SizeofResource(nullptr, resource) : 0;
    if (data == nullptr || size == 0) {
        problem = L"The built-in demo machine is missing from the program.";
        return {};
    }
    try {
        auto machine = qb::simulated::SimulatedMachine::FromJsonText(
            std::string_view(static_cast<const char*>(data), size), "the built-in demo machine");
        machine->SaveFile(file);
    } catch (const std::exception& e) {
        problem = Widen(e.what());
        return {};
    }
    return file;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    qb::app::LoadDllsFromSystemFolderOnly();
    const std::unique_ptr<qb::app::StartMarksFile> marks =
        qb::app::StartMarksFile::FromEnvironment();
    if (marks)
        marks->Marks().Take(qb::stage::Process);
    const std::optional<std::filesystem::path> argument = MachineArgument();
    if (!argument) {
        ShowError(kUsage);
        return 2;
    }
    std::filesystem::path file = *argument;
    if (file.empty()) {
        std::wstring problem;
        file = DefaultMachine(problem);
        if (file.empty()) {
            ShowError(problem);
            return 1;
        }
    }

    std::unique_ptr<qb::simulated::SimulatedMachine> machine;
    try {
        machine = qb::simulated::SimulatedMachine::LoadFile(file);
    } catch (const std::exception& e) {
        // The message names the file and what is wrong with it; the file stays as it is.
        ShowError(Widen(e.what()));
        return 1;
    }
    machine->PersistTo(file);
    machine->KeepCalls(false);
    if (marks)
        marks->Marks().Take(qb::stage::MachineFile);

    qb::win32::Win32Registry registry;
    qb::win32::Win32Kernel32 kernel;
    qb::win32::Win32User32 user;
    qb::win32::Win32Locale locale;
    qb::Globals g(qb::platform::WithOneKernel(machine->Netapi(), machine->Security(), registry,
                                              kernel, user));
    g.Marks = marks ? &marks->Marks() : nullptr;
    return qb::app::RunProgram(g, locale, showCommand);
}
