#include "controls/heading/heading.h"

#include "controls/window_instance.h"

#include <utility>

namespace qb::controls {

namespace {

COLORREF ToColorRef(std::uint32_t bbggrr) {
    return static_cast<COLORREF>(bbggrr);
}

const gdi::Bitmap& BandBitmap() {
    static const gdi::Bitmap band = gdi::MakeBitmap(HeadingBand());
    return band;
}

bool RegisterClassOnce() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &DefWindowProcW; // replaced per window at creation
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = Heading::ClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

} // namespace

Heading::Heading() : model_(gdi::ScreenTwipsPerPixelX(), gdi::ScreenTwipsPerPixelY()) {}

Heading::~Heading() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

std::unique_ptr<Heading> Heading::Create(HWND parent, int id, const RECT& bounds,
                                         const PropertyBag* layout) {
    if (!RegisterClassOnce())
        return nullptr;
    std::unique_ptr<Heading> heading(new Heading());
    if (layout != nullptr)
        heading->model_.ReadProperties(*layout);
    heading->font_ = gdi::MakeFont(heading->model_.Font(), true);
    HWND w = CreateWindowExW(
        0, ClassName, heading->model_.Text().c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
        bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (w == nullptr)
        return nullptr;
    heading->hwnd_ = w;
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(heading.get()));
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Heading::Proc));
    heading->model_.Resize((bounds.right - bounds.left) * heading->model_.Tppx());
    return heading;
}

void Heading::SetText(const std::wstring& text) {
    model_.SetText(text);
    if (hwnd_ != nullptr) {
        DefWindowProcW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void Heading::SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                      bool fontUnderline, bool fontStrikethru) {
    model_.SetFont(fontName, fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru);
    if (gdi::Font f = gdi::MakeFont(model_.Font(), true))
        font_ = std::move(f); // a face that cannot be made keeps the old font
    if (hwnd_ != nullptr)
        InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT CALLBACK Heading::Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return CallInstance(WindowInstance<Heading>(hWnd), &Heading::Handle, hWnd, uMsg, wParam,
                        lParam);
}

LRESULT Heading::Handle(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_SIZE:
        model_.Resize(static_cast<int>(LOWORD(lParam)) * model_.Tppx());
        InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_SETTEXT: {
        // Other programs and tests may set the caption through the window text.
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        model_.SetText(text != nullptr ? text : L"");
        InvalidateRect(hwnd_, nullptr, FALSE);
        return DefWindowProcW(hwnd_, uMsg, wParam, lParam);
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC screen = BeginPaint(hwnd_, &ps);
        RECT client;
        GetClientRect(hwnd_, &client);
        if (HDC dc = buffer_.Begin(screen, client.right, client.bottom)) {
            Paint(dc, client);
            buffer_.Show(screen, client);
        }
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_NCDESTROY: {
        HWND w = std::exchange(hwnd_, nullptr);
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        return DefWindowProcW(w, uMsg, wParam, lParam);
    }
    default:
        return DefWindowProcW(hwnd_, uMsg, wParam, lParam);
    }
}

void Heading::Paint(HDC dc, const RECT& client) {
    const int tppx = model_.Tppx(), tppy = model_.Tppy();
    gdi::Brush strip(CreateSolidBrush(ToColorRef(HeadingModel::StripColour)));
    FillRect(dc, &client, strip.Get());

    // The band, one pixel in, cut off by the strip's edges.
    if (const gdi::Bitmap& band = BandBitmap()) {
        gdi::MemoryDc src(CreateCompatibleDC(dc));
        gdi::Selection keep(src.Get(), band.Get());
        BitBlt(dc, model_.BandLeft() / tppx, model_.BandTop() / tppy, HeadingModel::BandWidthPx,
               HeadingModel::BandHeightPx, src.Get(), 0, 0, SRCCOPY);
    }

    // The caption: black, in the designed weight, a few pixels off the band's edge.
    RECT text{model_.CaptionLeft() / tppx + 4, HeadingModel::CaptionTop / tppy,
              model_.CaptionWidth() / tppx - 2,
              (HeadingModel::CaptionTop + HeadingModel::CaptionHeight) / tppy};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(HeadingModel::CaptionColour));
    gdi::Selection font(dc, font_ ? static_cast<HGDIOBJ>(font_.Get())
                                  : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, model_.Text().c_str(), static_cast<int>(model_.Text().size()), &text,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);

    // The closing line hides the band's last visible column.
    const int lineX = gdi::ToPixels(model_.LineX(), tppx);
    RECT line{lineX, HeadingModel::LineTop / tppy, lineX + 1, HeadingModel::LineBottom / tppy + 1};
    FillRect(dc, &line, strip.Get());
}

} // namespace qb::controls
