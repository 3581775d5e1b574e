#pragma once
// For tests that start other Windows programs: a child process that ends with the test,
// and the windows a process shows. Tests wait for them with PumpUntil.

#include "platform/win32/handles.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace qb::testing {

// A program started with CreateProcessW; terminated, if it still runs, when it goes.
class ChildProcess {
public:
    ~ChildProcess() {
        if (Running()) {
            TerminateProcess(process_.Get(), 99);
            WaitForSingleObject(process_.Get(), 5000);
        }
    }
    // Starts `program` with `arguments` (already quoted as needed).
    bool Start(const std::wstring& program, const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW startup{sizeof(startup)};
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                            CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info))
            return false;
        process_.Reset(info.hProcess);
        CloseHandle(info.hThread);
        id = info.dwProcessId;
        return true;
    }
    bool Running() const {
        return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.Get(), &code);
        return code;
    }

    DWORD id = 0;

private:
    win32::UniqueHandle process_;
};

// The top-level windows of process `processId`, message boxes included.
inline std::vector<HWND> WindowsOf(DWORD processId) {
    std::pair<DWORD, std::vector<HWND>> search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& [id, found] = *reinterpret_cast<decltype(search)*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == id)
                found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The top-level window of process `processId` with exactly this title, or null.
inline HWND FindWindowOf(DWORD processId, const wchar_t* title) {
    for (HWND window : WindowsOf(processId)) {
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        if (std::wcscmp(text, title) == 0)
            return window;
    }
    return nullptr;
}

} // namespace qb::testing
