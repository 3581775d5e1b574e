#include "controls/accessible_win32.h"

#include "platform/win32/handles.h"

#include <ole2.h>

#include <oleacc.h>

#include <string>
#include <utility>

namespace qb::controls {

namespace {

template <typename Function>
Function Bind(const win32::UniqueModule& module, const char* name) {
    return module ? reinterpret_cast<Function>(
                        reinterpret_cast<void*>(GetProcAddress(module.Get(), name)))
                  : nullptr;
}

// COM and its texts: ole32.dll and oleaut32.dll, from the system folder only, loaded once
// for the process when a screen reader first asks, so that a start without one need not
// load them nor join COM.
struct Ole {
    using CoInitializeExFunction = HRESULT(WINAPI*)(LPVOID, DWORD);
    using CoUninitializeFunction = void(WINAPI*)();
    using CoDisconnectObjectFunction = HRESULT(WINAPI*)(LPUNKNOWN, DWORD);
    using SysAllocStringLenFunction = BSTR(WINAPI*)(const OLECHAR*, UINT);

    win32::UniqueModule ole32;
    win32::UniqueModule oleaut32;
    CoInitializeExFunction coInitializeEx = nullptr;
    CoUninitializeFunction coUninitialize = nullptr;
    CoDisconnectObjectFunction coDisconnectObject = nullptr;
    SysAllocStringLenFunction sysAllocStringLen = nullptr;

    bool Loaded() const {
        return coInitializeEx != nullptr && coUninitialize != nullptr &&
               coDisconnectObject != nullptr && sysAllocStringLen != nullptr;
    }
    static const Ole& Get() {
        static const Ole loaded = [] {
            Ole o;
            o.ole32.Reset(LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
            o.oleaut32.Reset(
                LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
            o.coInitializeEx = Bind<CoInitializeExFunction>(o.ole32, "CoInitializeEx");
            o.coUninitialize = Bind<CoUninitializeFunction>(o.ole32, "CoUninitialize");
            o.coDisconnectObject = Bind<CoDisconnectObjectFunction>(o.ole32, "CoDisconnectObject");
            o.sysAllocStringLen = Bind<SysAllocStringLenFunction>(o.oleaut32, "SysAllocStringLen");
            return o;
        }();
        return loaded;
    }
};

// The apartment that this thread keeps for its windows, if it keeps one.
struct ApartmentSlot {
    ComApartment* apartment = nullptr;
};
ApartmentSlot& ThreadApartment() {
    thread_local ApartmentSlot slot;
    return slot;
}

// oleacc.dll, from the system folder only, loaded once for the process.
struct Oleacc {
    using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    using CreateStdAccessibleObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);

    win32::UniqueModule module;
    LresultFromObjectFunction lresultFromObject = nullptr;
    CreateStdAccessibleObjectFunction createStdAccessibleObject = nullptr;

    static const Oleacc& Get() {
        static const Oleacc loaded = [] {
            Oleacc o;
            o.module.Reset(LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
            o.lresultFromObject = Bind<LresultFromObjectFunction>(o.module, "LresultFromObject");
            o.createStdAccessibleObject =
                Bind<CreateStdAccessibleObjectFunction>(o.module, "CreateStdAccessibleObject");
            return o;
        }();
        return loaded;
    }
};

VARIANT Number(long value) {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Nothing() {
    VARIANT v{};
    v.vt = VT_EMPTY;
    return v;
}

// A text for the caller to free, or none (S_FALSE) when it is empty.
HRESULT Text(const std::wstring& text, BSTR* out) {
    *out = text.empty() ? nullptr
                        : Ole::Get().sysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (text.empty())
        return S_FALSE;
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

} // namespace

// The client object of one window. Its children are elements without objects of their
// own, as Active Accessibility calls them: every question about one comes here with its
// number. Questions about the window itself go to the system's standard object, except
// its role and, where the window has a text, its name.
// Only its last Release ends it, so its destructor is private.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor)
class AccessibleWindow::Object final : public IAccessible {
public:
    Object(AccessibleParts& parts, HWND window, IAccessible* standard)
        : parts_(&parts), window_(window), standard_(standard) {}
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    void Disconnect() {
        parts_ = nullptr;
        if (standard_ != nullptr)
            std::exchange(standard_, nullptr)->Release();
    }

    // --- IUnknown ---
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
            riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // --- IDispatch: no type information; clients call IAccessible itself ---
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // --- IAccessible ---
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (standard_ == nullptr)
            return Gone(parent);
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (parts_ == nullptr)
            return CO_E_OBJNOTCONNECTED;
        *count = parts_->AccessibleCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        *out = nullptr;
        const int c = Child(child);
        return c > 0 ? S_FALSE : c == 0 ? E_INVALIDARG : Invalid();
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        *out = nullptr;
        const int c = Child(child);
        if (c > 0)
            return Text(parts_->AccessibleItem(c).name, out);
        if (c < 0)
            return Invalid();
        wchar_t text[256] = {};
        if (GetWindowTextW(window_, text, 256) > 0)
            return Text(text, out);
        return standard_->get_accName(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        *out = nullptr;
        const int c = Child(child);
        return c > 0 ? S_FALSE : c == 0 ? standard_->get_accValue(child, out) : Invalid();
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        *out = nullptr;
        const int c = Child(child);
        if (c > 0)
            return Text(parts_->AccessibleItem(c).description, out);
        return c == 0 ? standard_->get_accDescription(child, out) : Invalid();
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        *out = Nothing();
        const int c = Child(child);
        if (c < 0)
            return Invalid();
        *out = Number(
            static_cast<long>(c > 0 ? parts_->AccessibleItem(c).role : parts_->AccessibleRole()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        *out = Nothing();
        const int c = Child(child);
        if (c == 0)
            return standard_->get_accState(child, out);
        if (c < 0)
            return Invalid();
        *out = Number(static_cast<long>(parts_->AccessibleItem(c).state));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        *out = nullptr;
        const int c = Child(child);
        return c > 0 ? S_FALSE : c == 0 ? standard_->get_accHelp(child, out) : Invalid();
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        *file = nullptr;
        *topic = 0;
        const int c = Child(child);
        return c > 0    ? S_FALSE
               : c == 0 ? standard_->get_accHelpTopic(file, child, topic)
                        : Invalid();
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        *out = nullptr;
        const int c = Child(child);
        return c > 0    ? S_FALSE
               : c == 0 ? standard_->get_accKeyboardShortcut(child, out)
                        : Invalid();
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        *out = Nothing();
        if (parts_ == nullptr)
            return CO_E_OBJNOTCONNECTED;
        if (GetFocus() != window_)
            return S_FALSE;
        const int c = FirstWith(accessible::StateFocused);
        *out = Number(c > 0 ? c : CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        *out = Nothing();
        if (parts_ == nullptr)
            return CO_E_OBJNOTCONNECTED;
        const int c = FirstWith(accessible::StateSelected);
        if (c <= 0)
            return S_FALSE;
        *out = Number(c);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        *out = nullptr;
        const int c = Child(child);
        return c > 0 ? S_FALSE : c == 0 ? standard_->get_accDefaultAction(child, out) : Invalid();
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        const int c = Child(child);
        return c > 0    ? DISP_E_MEMBERNOTFOUND
               : c == 0 ? standard_->accSelect(flags, child)
                        : Invalid();
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        *left = *top = *width = *height = 0;
        const int c = Child(child);
        if (c == 0)
            return standard_->accLocation(left, top, width, height, child);
        if (c < 0)
            return Invalid();
        RECT r = parts_->AccessiblePixels(parts_->AccessibleItem(c).bounds);
        MapWindowPoints(window_, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
        *out = Nothing();
        const int c = Child(start);
        if (c < 0)
            return Invalid();
        const int count = parts_->AccessibleCount();
        int to = 0;
        if (c == 0 && direction == NAVDIR_FIRSTCHILD)
            to = 1;
        else if (c == 0 && direction == NAVDIR_LASTCHILD)
            to = count;
        else if (c == 0)
            return standard_->accNavigate(direction, start, out);
        else if (direction == NAVDIR_NEXT)
            to = c + 1;
        else if (direction == NAVDIR_PREVIOUS)
            to = c - 1;
        if (to < 1 || to > count)
            return S_FALSE;
        *out = Number(to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        *out = Nothing();
        if (parts_ == nullptr)
            return CO_E_OBJNOTCONNECTED;
        POINT p{x, y};
        ScreenToClient(window_, &p);
        RECT client{};
        GetClientRect(window_, &client);
        if (!PtInRect(&client, p))
            return S_FALSE;
        // The parts may lie outside the client (scrolled away): only what shows is hit.
        for (int c = 1, count = parts_->AccessibleCount(); c <= count; ++c) {
            const accessible::Item item = parts_->AccessibleItem(c);
            const RECT r = parts_->AccessiblePixels(item.bounds);
            if ((item.state & accessible::StateOffscreen) == 0 && PtInRect(&r, p)) {
                *out = Number(c);
                return S_OK;
            }
        }
        *out = Number(CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const int c = Child(child);
        return c > 0    ? DISP_E_MEMBERNOTFOUND
               : c == 0 ? standard_->accDoDefaultAction(child)
                        : Invalid();
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~Object() { Disconnect(); }

    // The part a VARIANT names: 0 for the window itself, -1 for none (or for anything
    // once the window has gone, as the caller then learns from Invalid).
    int Child(const VARIANT& v) const {
        if (parts_ == nullptr || standard_ == nullptr || v.vt != VT_I4)
            return -1;
        return v.lVal >= 0 && v.lVal <= parts_->AccessibleCount() ? static_cast<int>(v.lVal) : -1;
    }
    HRESULT Invalid() const { return parts_ == nullptr ? CO_E_OBJNOTCONNECTED : E_INVALIDARG; }
    template <typename T>
    static HRESULT Gone(T** out) {
        *out = nullptr;
        return CO_E_OBJNOTCONNECTED;
    }
    int FirstWith(std::uint32_t state) const {
        for (int c = 1, count = parts_->AccessibleCount(); c <= count; ++c)
            if ((parts_->AccessibleItem(c).state & state) != 0)
                return c;
        return 0;
    }

    long references_ = 1;
    AccessibleParts* parts_;
    HWND window_;
    IAccessible* standard_;
};

AccessibleWindow::~AccessibleWindow() {
    if (object_ == nullptr)
        return;
    object_->Disconnect();
    // Screen readers that still hold the object are cut off from it. (The object exists
    // only once COM's libraries were found.)
    Ole::Get().coDisconnectObject(object_, 0);
    object_->Release();
}

std::optional<LRESULT> AccessibleWindow::HandleMessage(HWND window, UINT message, WPARAM wParam,
                                                       LPARAM lParam) {
    if (message == WM_GETDLGCODE)
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (message == WM_UPDATEUISTATE)
        InvalidateRect(window, nullptr, FALSE);
    if (message != WM_GETOBJECT || static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT))
        return std::nullopt;
    const Oleacc& oleacc = Oleacc::Get();
    if (oleacc.lresultFromObject == nullptr || oleacc.createStdAccessibleObject == nullptr ||
        !Ole::Get().Loaded())
        return std::nullopt;
    ComApartment::Join();
    if (object_ == nullptr) {
        IAccessible* standard = nullptr;
        if (FAILED(oleacc.createStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                    reinterpret_cast<void**>(&standard))) ||
            standard == nullptr)
            return std::nullopt;
        object_ = new Object(parts_, window, standard);
    }
    const LRESULT result = oleacc.lresultFromObject(__uuidof(IAccessible), wParam, object_);
    if (result < 0)
        return std::nullopt; // no COM on this thread: the standard object answers
    return result;
}

void AccessibleWindow::Raise(HWND window, const std::vector<accessible::Event>& events) {
    for (const accessible::Event& e : events)
        NotifyWinEvent(e.event, window, OBJID_CLIENT, e.child);
}

ComApartment::ComApartment() : outer_(std::exchange(ThreadApartment().apartment, this)) {}

ComApartment::~ComApartment() {
    if (entered_)
        Ole::Get().coUninitialize();
    ThreadApartment().apartment = outer_;
}

void ComApartment::Join() {
    ComApartment* apartment = ThreadApartment().apartment;
    if (apartment == nullptr || apartment->joined_)
        return;
    apartment->joined_ = true;
    apartment->entered_ =
        SUCCEEDED(Ole::Get().coInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

} // namespace qb::controls
