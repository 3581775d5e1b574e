#pragma once
// Active Accessibility for the parts a window of ours paints itself (Windows only). A
// screen reader asks the window for its client object with WM_GETOBJECT; AccessibleWindow
// answers with an IAccessible of our own whose children are the painted parts the window
// describes through AccessibleParts, and passes the changes the window announces on to
// the screen readers that listen. What the window itself is (its place, its parent, its
// keyboard focus) the system's standard object for the window tells.
//
// oleacc.dll, which hands the object over, and COM's own libraries are loaded from the
// system folder on the first request; a system without them, or a thread without COM,
// leaves the window to the standard object alone.

#include "controls/accessible.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace qb::controls {

// What a window tells about its painted parts, numbered from 1.
class AccessibleParts {
public:
    virtual std::uint32_t AccessibleRole() const = 0; // of the window itself
    virtual int AccessibleCount() const = 0;
    virtual accessible::Item AccessibleItem(int child) const = 0;
    // A part's place, from the twips of its item to client pixels.
    virtual RECT AccessiblePixels(const TwipsRect& bounds) const = 0;

protected:
    ~AccessibleParts() = default;
};

class AccessibleWindow {
public:
    explicit AccessibleWindow(AccessibleParts& parts) : parts_(parts) {}
    // The object handed out answers nothing more once this is gone.
    ~AccessibleWindow();
    AccessibleWindow(const AccessibleWindow&) = delete;
    AccessibleWindow& operator=(const AccessibleWindow&) = delete;

    // The messages a control that paints its parts and its focus answers alike: it takes
    // the arrows and Space (Tab and Enter stay its window's), repaints as the window's
    // keyboard cues show or hide, and hands screen readers its object (WM_GETOBJECT).
    // Nothing where the control's own handling, or the default, is to answer.
    std::optional<LRESULT> HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Announces `events` of `window`'s client.
    static void Raise(HWND window, const std::vector<accessible::Event>& events);

private:
    class Object;
    AccessibleParts& parts_;
    Object* object_ = nullptr; // one reference held while the window lives
};

// The window thread's single-threaded COM apartment, which screen readers reach the
// windows' objects through, for as long as it lives. The thread joins COM when the first
// screen reader asks one of its windows, not before: a start without one is spared
// loading COM.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // Joins COM on this thread the first time, when the thread keeps an apartment.
    static void Join();

private:
    ComApartment* outer_;  // the one this thread kept before, if any
    bool joined_ = false;  // tried already
    bool entered_ = false; // and succeeded, to be left again
};

} // namespace qb::controls
