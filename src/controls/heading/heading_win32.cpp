#include "controls/heading/heading_win32.h"

#include <utility>

namespace qb::controls {

namespace {

const WindowClass kHeadingClass{Heading::ClassName, 0, IDC_ARROW, COLOR_WINDOW};

} // namespace

Heading::Heading(const Density& density) : model_(density) {}

std::unique_ptr<Heading> Heading::Create(HWND parent, int id, const RECT& bounds,
                                         const PropertyBag* layout, HeadingBandBitmap band) {
    const Density density = band ? band->density : gdi::WindowDensity(parent);
    std::unique_ptr<Heading> heading(new Heading(density));
    if (layout != nullptr)
        heading->model_.ReadProperties(*layout);
    heading->band_ = band ? std::move(band) : MakeHeadingBand(density);
    WindowPlacement placement = ChildAt(parent, id, bounds, WS_VISIBLE | WS_CLIPSIBLINGS);
    placement.title = heading->model_.Text().c_str();
    if (!heading->MakeWindow(kHeadingClass, placement))
        return nullptr;
    return heading;
}

void Heading::SetText(const std::wstring& text) {
    model_.SetText(text);
    if (Window() != nullptr) {
        DefaultProc(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        Invalidate();
    }
}

void Heading::SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                      bool fontUnderline, bool fontStrikethru) {
    model_.SetFont(fontName, fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru);
    MakeCaptionFont();
}

void Heading::SetDensity(HeadingBandBitmap band) {
    if (!band)
        return;
    model_.SetDensity(band->density);
    band_ = std::move(band);
    MakeCaptionFont();
}

void Heading::MakeCaptionFont() {
    if (gdi::Font f = gdi::MakeFont(model_.Font(), true, model_.ScreenDensity()))
        font_ = std::move(f); // a face that cannot be made keeps the old font
    if (Window() != nullptr)
        Invalidate();
}

LRESULT Heading::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        font_ = gdi::MakeFont(model_.Font(), true, model_.ScreenDensity());
        return 0;
    case WM_SIZE:
        model_.Resize(model_.ScreenDensity().Twips(static_cast<int>(LOWORD(lParam))));
        Invalidate();
        return 0;
    case WM_SETTEXT: {
        // Other programs and tests may set the caption through the window text.
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        model_.SetText(text != nullptr ? text : L"");
        Invalidate();
        return DefaultProc(message, wParam, lParam);
    }
    default:
        return WindowBase::HandleMessage(message, wParam, lParam);
    }
}

void Heading::Paint(HDC dc, const RECT& client) {
    const Density& d = model_.ScreenDensity();
    const gdi::Brush strip(CreateSolidBrush(gdi::ToColorRef(HeadingModel::StripColour)));
    FillRect(dc, &client, strip.Get());

    // The band, one pixel in, cut off by the strip's edges.
    if (band_ && band_->bitmap) {
        const gdi::MemoryDc source(CreateCompatibleDC(dc));
        const gdi::Selection keep(source.Get(), band_->bitmap.Get());
        BitBlt(dc, d.Pixels(model_.BandLeft()), d.Pixels(model_.BandTop()), band_->size.cx,
               band_->size.cy, source.Get(), 0, 0, SRCCOPY);
    }

    // The caption: black, in the designed weight, a few pixels off the band's edge. Too
    // long a caption ends in an ellipsis rather than being cut off mid-letter.
    RECT text{d.Pixels(model_.CaptionLeft()) + d.Scaled(HeadingModel::CaptionInsetLeftPx),
              d.Pixels(HeadingModel::CaptionTop),
              d.Pixels(model_.CaptionWidth()) - d.Scaled(HeadingModel::CaptionInsetRightPx),
              d.Pixels(HeadingModel::CaptionTop + HeadingModel::CaptionHeight)};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, gdi::ToColorRef(HeadingModel::CaptionColour));
    const gdi::Selection font(dc, font_ ? static_cast<HGDIOBJ>(font_.Get())
                                        : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, model_.Text().c_str(), static_cast<int>(model_.Text().size()), &text,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);

    // The closing line, a pixel of the design wide, hides the band's last visible column.
    const RECT line{d.Pixels(model_.LineX()), d.Pixels(HeadingModel::LineTop),
                    d.Pixels(model_.LineX() + kDesignPixel),
                    d.Pixels(HeadingModel::LineBottom + kDesignPixel)};
    FillRect(dc, &line, strip.Get());
}

} // namespace qb::controls
