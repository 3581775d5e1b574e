#pragma once
// The user list window (Windows only). It draws the rows CustomListModel lays out, in
// its own window and without a child window per row, under a real list-view column
// header whose window it subclasses, beside a real vertical scroll bar. Every decision
// is the model's; this class turns messages into model calls and paints the result.

#include "controls/customlist/custom_list_model.h"
#include "controls/gdi.h"
#include "services/hook_window.h"

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace qb::controls {

class CustomList final : public services::WindowProcOwner {
public:
    static constexpr const wchar_t* ClassName = L"QuillBayCustomList";

    // A list as a child of `parent` at a rectangle in pixels. `layout`, when given, is
    // the saved layout its "SmallIcons" and "NoHeader" are read from. `ansiBytes` is the
    // system code page for the backwards name sort (the platform's by default).
    static std::unique_ptr<CustomList> Create(HWND parent, int id, const RECT& bounds,
                                              const PropertyBag* layout = nullptr,
                                              AnsiBytesOf ansiBytes = nullptr);
    ~CustomList();
    CustomList(const CustomList&) = delete;
    CustomList& operator=(const CustomList&) = delete;

    HWND Window() const { return hwnd_; }
    HWND ListViewWindow() const { return listView_; }
    HWND HeaderWindow() const { return header_; }
    HWND ScrollBarWindow() const { return scrollBar_; }
    const CustomListModel& Model() const { return *model_; }

    // Events to the owner, raised synchronously.
    std::function<void(std::int32_t tag)> ItemClick;
    std::function<void(std::int32_t column)> ColumnClick;

    bool SmallIcons() const { return model_->SmallIcons(); }
    void SetSmallIcons(bool small);
    bool NoHeader() const { return model_->NoHeader(); }
    void SetNoHeader(bool hdr);
    void WriteProperties(PropertyBag& bag) const { model_->WriteProperties(bag); }

    void AddItem(const std::wstring& userName, std::int32_t userPriv, bool userRestricted,
                 bool userLocked, std::int32_t userTag);
    void selectItem(std::int32_t itmNum, bool byTag);
    void HideSelection();
    std::int32_t SelectedItem() const { return model_->SelectedItem(); }
    void SetAccountLocked(bool b);
    void SetHasTimeRestrictions(bool b);
    void SetNewUserName(const std::wstring& name);
    void SetNewUserType(std::int32_t t, std::int32_t itmNum = -1);
    void Sort(std::int32_t sortColumn, bool sortForwards);
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru);

    // The header window's procedure (reached through the subclassing dispatcher).
    LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    CustomList() = default;
    static LRESULT CALLBACK ListProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleList(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnMouseDown(MouseButton button, WPARAM wParam, LPARAM lParam);
    void OnVScroll(WPARAM wParam);
    void Paint(HDC dc, const RECT& client);
    void PaintSortMark();
    void MakeFonts();
    int LabelHeightTwips();
    // Applies the model's header, scroll bar and rows to the windows.
    void Sync(bool keepThumb = false);

    HWND hwnd_ = nullptr;
    HWND listView_ = nullptr;
    HWND header_ = nullptr;
    HWND scrollBar_ = nullptr;
    WNDPROC headerOldProc_ = nullptr;
    std::unique_ptr<CustomListModel> model_;
    gdi::Font labelFont_;
    gdi::Font headerFont_;
    gdi::BackBuffer buffer_;
    bool capturing_ = false;

    // What the windows show now, to touch them only when the model changed.
    struct Applied {
        bool headerVisible = true;
        int headerWidth = -1;
        int headerHeight = -1;
        std::array<int, 4> columns{-1, -1, -1, -1};
        unsigned headerRepaints = 0;
        bool scrollVisible = false;
        RECT scrollRect{-1, -1, -1, -1};
        int scrollMax = -1;
        int scrollPage = -1;
        int scrollValue = -1;
    } applied_;
};

} // namespace qb::controls
