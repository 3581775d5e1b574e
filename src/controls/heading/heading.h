#pragma once
// The caption strip window (Windows only): draws what HeadingModel says.

#include "controls/gdi.h"
#include "controls/heading/heading_model.h"

#include <windows.h>

#include <memory>
#include <string>

namespace qb::controls {

class Heading {
public:
    static constexpr const wchar_t* ClassName = L"QuillBayHeading";

    // A strip as a child of `parent` at a rectangle in pixels. `layout`, when given, is
    // the saved layout its "Text" is read from.
    static std::unique_ptr<Heading> Create(HWND parent, int id, const RECT& bounds,
                                           const PropertyBag* layout = nullptr);
    ~Heading();
    Heading(const Heading&) = delete;
    Heading& operator=(const Heading&) = delete;

    HWND Window() const { return hwnd_; }
    const HeadingModel& Model() const { return model_; }
    HFONT CaptionFont() const { return font_.Get(); }

    const std::wstring& Text() const { return model_.Text(); }
    void SetText(const std::wstring& text);
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru);
    void WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }

private:
    Heading();
    static LRESULT CALLBACK Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc, const RECT& client);

    HWND hwnd_ = nullptr;
    HeadingModel model_;
    gdi::Font font_;
    gdi::BackBuffer buffer_;
};

} // namespace qb::controls
