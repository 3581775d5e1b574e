#pragma once
// The message loop of tests, benchmarks and tools that drive real windows: run what is
// queued, or keep running messages until something holds. Windows only.

#include <windows.h>

#include <chrono>

namespace qb::testing {

// Dispatches every message already queued for this thread (posted, sent, input, and the
// paints and timers that are due).
inline void DrainMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs this thread's messages until `condition` holds or `timeout` has passed, then runs
// what is still queued; true when the condition held. Conditions on other processes are
// checked at least every few milliseconds, as no message announces them.
template <typename Condition>
bool PumpUntil(Condition condition, std::chrono::milliseconds timeout) {
    constexpr DWORD kPollMs = 5;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool held = false;
    for (;;) {
        DrainMessages();
        held = static_cast<bool>(condition());
        const auto now = std::chrono::steady_clock::now();
        if (held || now >= deadline)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        const DWORD wait = left.count() < static_cast<long long>(kPollMs)
                               ? static_cast<DWORD>(left.count())
                               : kPollMs;
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    DrainMessages();
    return held;
}

} // namespace qb::testing
