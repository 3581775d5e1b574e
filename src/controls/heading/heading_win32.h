#pragma once
// The caption strip window (Windows only): draws what HeadingModel says.

#include "controls/heading/heading_model.h"
#include "controls/pictures/pictures_win32.h"
#include "controls/window_base_win32.h"

#include <windows.h>

#include <memory>
#include <string>

namespace qb::controls {

class Heading final : public WindowBase {
public:
    static constexpr const wchar_t* ClassName = L"QuillBayHeading";

    // A strip as a child of `parent` at a rectangle in pixels. `layout`, when given, is the
    // saved layout its "Text" is read from; `band` is the band picture shared by the
    // window's strips, drawn for the parent's density (made for this strip when not given).
    // Null when no window can be made.
    static std::unique_ptr<Heading> Create(HWND parent, int id, const RECT& bounds,
                                           const PropertyBag* layout = nullptr,
                                           HeadingBandBitmap band = nullptr);

    const HeadingModel& Model() const { return model_; }
    HFONT CaptionFont() const { return font_.Get(); }

    const std::wstring& Text() const { return model_.Text(); }
    void SetText(const std::wstring& text);
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru);
    void WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }
    // The strip is shown at another density: its font and band are made for it.
    void SetDensity(HeadingBandBitmap band);

private:
    explicit Heading(const Density& density);
    void MakeCaptionFont();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& client) override;

    HeadingModel model_;
    gdi::Font font_;
    HeadingBandBitmap band_;
};

} // namespace qb::controls
