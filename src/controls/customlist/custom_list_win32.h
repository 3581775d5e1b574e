#pragma once
// The user list window (Windows only). It draws the rows CustomListModel lays out, in
// its own window and without a child window per row, under a real list-view column
// header whose window it hooks, beside a real vertical scroll bar. Every decision is the
// model's; this class turns messages into model calls and paints the result. It takes
// the keyboard focus (a Tab stop, with a focus rectangle on the focus row) and tells
// screen readers of its rows.

#include "controls/accessible_win32.h"
#include "controls/customlist/custom_list_model.h"
#include "controls/pictures/pictures_win32.h"
#include "controls/window_base_win32.h"
#include "services/hook_window_win32.h"

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qb::controls {

class CustomList final : public WindowBase,
                         public services::WindowProcOwner,
                         private AccessibleParts {
public:
    static constexpr const wchar_t* ClassName = L"QuillBayCustomList";

    // A list as a child of `parent` at a rectangle in pixels. `layout`, when given, is the
    // saved layout its "SmallIcons" and "NoHeader" are read from. `ansiBytes` is the system
    // code page for the backwards name sort (the platform's by default). `pictures` are the
    // stock pictures shared by the window's lists, drawn for the parent's density (made for
    // this list when not given). Null when no window can be made.
    static std::unique_ptr<CustomList>
    Create(HWND parent, int id, const RECT& bounds, const PropertyBag* layout = nullptr,
           AnsiBytesOf ansiBytes = nullptr, std::shared_ptr<const ListPictures> pictures = nullptr);
    CustomList(const CustomList&) = delete;
    CustomList& operator=(const CustomList&) = delete;
    ~CustomList() override;

    // The list view and its header: null until the list first shows a header.
    HWND ListViewWindow() const { return listView_; }
    HWND HeaderWindow() const { return headerHook_.Window(); }
    HWND ScrollBarWindow() const { return scrollBar_; }
    const CustomListModel& Model() const { return *model_; }

    // Events to the owner, raised synchronously.
    std::function<void(std::int32_t tag)> ItemClick;
    std::function<void(std::int32_t column)> ColumnClick;

    // While a Batch lives, AddItem and every other change reach only the model; when the
    // last batch of the list ends, the header, scroll bar and rows are brought up to date
    // once, to what they would show had each change been applied on its own. Filling a
    // list of thousands of rows row by row would re-lay the windows thousands of times.
    class Batch {
    public:
        explicit Batch(CustomList& list) noexcept;
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        CustomList& list_;
    };

    bool SmallIcons() const { return model_->SmallIcons(); }
    void SetSmallIcons(bool small);
    bool NoHeader() const { return model_->NoHeader(); }
    void SetNoHeader(bool hdr);
    void WriteProperties(PropertyBag& bag) const { model_->WriteProperties(bag); }

    void AddItem(const std::wstring& userName, std::int32_t userPriv, bool userRestricted,
                 bool userLocked, std::int32_t userTag);
    void Reserve(std::int32_t rows) { model_->Reserve(rows); }
    void selectItem(std::int32_t itmNum, bool byTag);
    void HideSelection();
    std::int32_t SelectedItem() const { return model_->SelectedItem(); }
    std::int32_t IndexOfTag(std::int32_t tag) const { return model_->IndexOfTag(tag); }
    void SetAccountLocked(bool b, std::int32_t itmNum = -1);
    void SetHasTimeRestrictions(bool b, std::int32_t itmNum = -1);
    void SetNewUserName(const std::wstring& name, std::int32_t itmNum = -1);
    void SetNewUserType(std::int32_t t, std::int32_t itmNum = -1);
    void Sort(std::int32_t sortColumn, bool sortForwards);
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru);

    // The list is shown at another density: its fonts, header and scroll bar take their
    // sizes there, its rows the pictures drawn for it.
    void SetDensity(std::shared_ptr<const ListPictures> pictures);

    // The header window's procedure (reached through its hook).
    LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    CustomList() = default;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& client) override;
    bool OnCreate(const CREATESTRUCTW& creation);
    // Makes the list view whose column header is the header strip; false when it cannot.
    bool MakeHeader();
    void OnMouseDown(MouseButton button, WPARAM wParam, LPARAM lParam);
    void OnVScroll(WPARAM wParam);
    void OnFocus(bool focused);
    std::uint32_t AccessibleRole() const override { return accessible::RoleList; }
    int AccessibleCount() const override { return model_ ? model_->Count() : 0; }
    accessible::Item AccessibleItem(int child) const override {
        return model_ ? model_->AccessibleRow(child - 1) : accessible::Item{};
    }
    RECT AccessiblePixels(const TwipsRect& bounds) const override;
    void PaintSortMark(HDC dc);
    void MakeFonts();
    HFONT LabelFont(int index) const;
    int LabelHeightTwips();
    // The list's metrics measured on its screen: the header's height in its font, the
    // scroll bar's width.
    ListMetrics Measure(const Density& density) const;
    // Applies the model's header, scroll bar and rows to the windows (later, in a batch).
    void Sync(bool keepThumb = false);

    // What creation needs from Create until WM_CREATE.
    const PropertyBag* layout_ = nullptr;
    AnsiBytesOf ansiBytes_;
    Density density_;

    HWND listView_ = nullptr;
    HWND scrollBar_ = nullptr;
    services::HookSlot headerHook_;
    services::HookSlot listViewHook_;
    FramelessControls frameless_;
    std::unique_ptr<CustomListModel> model_;
    std::shared_ptr<const ListPictures> pictures_;
    std::vector<gdi::Font> labelFonts_; // as the model's LabelFonts(); empty where none was made
    gdi::Font headerFont_;
    int batches_ = 0;
    bool syncPending_ = false;
    AccessibleWindow accessible_{static_cast<AccessibleParts&>(*this)};

    class HeaderChanges {
    public:
        explicit HeaderChanges(CustomList& list) noexcept;
        HeaderChanges(const HeaderChanges&) = delete;
        HeaderChanges& operator=(const HeaderChanges&) = delete;
        ~HeaderChanges();

    private:
        CustomList& list_;
    };

    void DrawHeaderStrip();
    int headerChanges_ = 0;
    bool headerDrawPending_ = false;

    // What the windows show now, to touch them only when the model changed.
    struct Applied {
        bool headerVisible = true;
        int headerWidth = -1;
        int headerHeight = -1;
        std::array<int, CustomListModel::ColumnCount> columns{-1, -1, -1, -1};
        unsigned headerRepaints = 0;
        bool scrollVisible = false;
        RECT scrollRect{-1, -1, -1, -1};
        int scrollMax = -1;
        int scrollPage = -1;
        int scrollValue = -1;
    } applied_;
};

} // namespace qb::controls
