// A stand-in netapi32.dll, fake_netapi32.dll: it describes accounts as Windows does, which
// Wine's netapi32 cannot: every text null, and the logon-hours bitmap null ("no
// restrictions") except for alice's.

#include <windows.h>

#include <lm.h>

namespace {
LONG liveBuffers = 0;
} // namespace

extern "C" __declspec(dllexport) NET_API_STATUS WINAPI NetApiBufferFree(LPVOID buffer) {
    if (buffer != nullptr && ::HeapFree(::GetProcessHeap(), 0, buffer))
        --liveBuffers;
    return NERR_Success;
}

extern "C" __declspec(dllexport) NET_API_STATUS WINAPI
    NetUserGetInfo(LPCWSTR, LPCWSTR user, DWORD level, LPBYTE* buffer) {
    *buffer = nullptr;
    if (level != 2)
        return ERROR_INVALID_LEVEL;
    struct Answer {
        USER_INFO_2 info;
        BYTE hours[21];
    };
    auto* answer =
        static_cast<Answer*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Answer)));
    USER_INFO_2* info = &answer->info;
    info->usri2_priv = USER_PRIV_USER;
    info->usri2_units_per_week = UNITS_PER_WEEK;
    if (user != nullptr && ::lstrcmpW(user, L"alice") == 0) {
        for (BYTE i = 0; i < 21; ++i)
            answer->hours[i] = static_cast<BYTE>(i + 1);
        info->usri2_logon_hours = answer->hours;
    }
    ++liveBuffers;
    *buffer = reinterpret_cast<LPBYTE>(info);
    return NERR_Success;
}

// How many answers the caller has not released yet.
extern "C" __declspec(dllexport) LONG FakeNetLiveBuffers() {
    return liveBuffers;
}
