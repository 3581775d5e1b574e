#include "services/hook_window_win32.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <iterator>
#include <mutex>
#include <vector>

namespace qb::services {

namespace {

void DefaultReport(const wchar_t* text) {
    OutputDebugStringW(text);
#ifndef NDEBUG
    std::fputws(text, stderr);
    std::fflush(stderr);
#endif
}

// Where a failure is reported; tests put their own reporter in.
std::atomic<FailureReport>& ReportTo() {
    static std::atomic<FailureReport> reportTo{&DefaultReport};
    return reportTo;
}

// A hooked window: the procedure it had before ours, and its hooks, the one called first
// first. The hooks of all windows are kept here, in the program, rather than in window
// properties: a window answers many messages while it is made and laid out, and under
// Wine every property read is a request to the window server.
struct Hooked {
    HWND window;
    WNDPROC previous;
    std::vector<std::pair<HookSlot*, WindowProcOwner*>> hooks;
};

// A few windows at most are hooked at once, so a list searched from the front serves.
struct HookTable {
    std::mutex lock;
    std::vector<Hooked> windows;

    Hooked* Find(HWND window) {
        const auto at = std::find_if(windows.begin(), windows.end(),
                                     [&](const Hooked& h) { return h.window == window; });
        return at == windows.end() ? nullptr : &*at;
    }
};

HookTable& Table() {
    static HookTable table;
    return table;
}

LRESULT CALLBACK Dispatcher(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// What a message goes to after the hook in `slot` (after none: to the first hook): the
// next hook's owner, or the window's procedure from before the first hook.
struct Next {
    HookSlot* slot = nullptr;
    WindowProcOwner* owner = nullptr;
    WNDPROC previous = nullptr;
};

Next NextAfter(HWND window, const HookSlot* slot) {
    HookTable& table = Table();
    const std::scoped_lock hold(table.lock);
    const Hooked* hooked = table.Find(window);
    if (hooked == nullptr)
        return {};
    auto at = hooked->hooks.begin();
    if (slot != nullptr) {
        at = std::find_if(hooked->hooks.begin(), hooked->hooks.end(),
                          [&](const auto& hook) { return hook.first == slot; });
        // A hook taken out while its owner handled the message: the rest of the chain
        // is unknown from here, so the window's own procedure answers.
        at = at == hooked->hooks.end() ? at : std::next(at);
    }
    if (at == hooked->hooks.end())
        return {nullptr, nullptr, hooked->previous};
    return {at->first, at->second, hooked->previous};
}

// Gives the window the procedure it had before ours and forgets it.
void Forget(HookTable& table, const Hooked& hooked) {
    SetWindowLongPtrW(hooked.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hooked.previous));
    table.windows.erase(table.windows.begin() + (&hooked - table.windows.data()));
}

// Forgets the window when its last hook is gone and no procedure was installed over ours
// since; otherwise ours stays and passes messages through to the previous procedure, which
// the newer one goes on calling.
void ForgetIfUnhooked(HookTable& table, HWND window) {
    const Hooked* hooked = table.Find(window);
    if (hooked != nullptr && hooked->hooks.empty() &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == &Dispatcher)
        Forget(table, *hooked);
}

// Hands a message to `next`. No exception may leave here: it returns into the window
// system. A message an owner failed on still goes on down the chain, so that the window's
// own procedure (and whatever else hooks it) handles it as if that hook were not there:
// default processing instead would skip the window's own handling, say a header's
// painting or a dialog's command.
LRESULT Call(const Next& next, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (next.owner == nullptr)
        return next.previous != nullptr ? CallWindowProcW(next.previous, hWnd, uMsg, wParam, lParam)
                                        : DefWindowProcW(hWnd, uMsg, wParam, lParam);
    try {
        return next.owner->WindowProc(hWnd, uMsg, wParam, lParam);
    } catch (const std::exception& e) {
        ReportWindowProcFailure(hWnd, uMsg, e.what());
    } catch (...) {
        ReportWindowProcFailure(hWnd, uMsg, nullptr);
    }
    return Call(NextAfter(hWnd, next.slot), hWnd, uMsg, wParam, lParam);
}

// The procedure of every hooked window.
LRESULT CALLBACK Dispatcher(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Call(NextAfter(hWnd, nullptr), hWnd, uMsg, wParam, lParam);
    // After its last message the window lets go of every hook still on it, and owners
    // that answered that message themselves find their slots empty.
    if (uMsg == WM_NCDESTROY) {
        HookTable& table = Table();
        std::vector<HookSlot*> slots;
        {
            const std::scoped_lock hold(table.lock);
            if (const Hooked* hooked = table.Find(hWnd))
                for (const auto& hook : hooked->hooks)
                    slots.push_back(hook.first);
        }
        for (HookSlot* slot : slots)
            UnhookWindow(*slot);
        const std::scoped_lock hold(table.lock);
        if (const Hooked* hooked = table.Find(hWnd)) // a procedure was put over ours
            Forget(table, *hooked);
    }
    return result;
}

} // namespace

bool HookWindow(HWND window, WindowProcOwner& owner, HookSlot& slot) {
    if (slot)
        return true;
    if (window == nullptr)
        return false;
    HookTable& table = Table();
    const std::scoped_lock hold(table.lock);
    Hooked* hooked = table.Find(window);
    if (hooked == nullptr) {
        const auto previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Dispatcher)));
        if (previous == nullptr)
            return false;
        hooked = &table.windows.emplace_back(Hooked{window, previous, {}});
    }
    hooked->hooks.insert(hooked->hooks.begin(), {&slot, &owner});
    slot.window_ = window;
    return true;
}

LRESULT CallNextProc(HookSlot& slot, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return Call(NextAfter(hWnd, &slot), hWnd, uMsg, wParam, lParam);
}

void UnhookWindow(HookSlot& slot) noexcept {
    if (!slot)
        return;
    HookTable& table = Table();
    const std::scoped_lock hold(table.lock);
    if (Hooked* hooked = table.Find(slot.window_)) {
        std::erase_if(hooked->hooks, [&](const auto& hook) { return hook.first == &slot; });
        ForgetIfUnhooked(table, slot.window_);
    }
    slot.window_ = nullptr;
}

void ReportWindowProcFailure(HWND window, UINT message, const char* what) noexcept {
    wchar_t className[128] = L"";
    if (window == nullptr ||
        GetClassNameW(window, className, static_cast<int>(std::size(className))) == 0)
        std::wcscpy(className, L"?");
    wchar_t reason[256] = L"not a standard exception";
    if (what != nullptr &&
        MultiByteToWideChar(CP_UTF8, 0, what, -1, reason, static_cast<int>(std::size(reason))) == 0)
        std::wcscpy(reason, L"a text too long to tell"); // the class and message still say where
    wchar_t text[512];
    std::swprintf(text, std::size(text),
                  L"Quill Bay: window procedure failed (%ls) on message 0x%04X of a window of "
                  L"class \"%ls\"; the window goes on without that handler\n",
                  reason, message, className);
    const FailureReport report = ReportTo().load();
    report(text);
}

FailureReport SetFailureReport(FailureReport report) noexcept {
    return ReportTo().exchange(report != nullptr ? report : &DefaultReport);
}

} // namespace qb::services
