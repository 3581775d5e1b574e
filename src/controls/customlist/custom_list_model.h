#pragma once
// The user list: rows of accounts (user-type, clock and lock icons and a name), an
// optional four-column header that asks the owner to sort, one selected row over a
// highlight, and a vertical scroll bar while the rows do not fit.
//
// This class decides everything the list shows and does: the rows and their looks, the
// sort, the geometry of every row item in twips (1/1440 inch), the scroll bar, the hit
// tests, the keys and the events, and what a screen reader is told of each row. The Win32
// window only draws what it says and hands it the mouse and the keyboard.
// It knows nothing of accounts: a row carries a text, a user-type number, two flags and
// the owner's tag.

#include "controls/accessible.h"
#include "controls/customlist/sort_key.h"
#include "controls/customlist/text_store.h"
#include "controls/density.h"
#include "controls/heading/heading_model.h"
#include "controls/keys.h"
#include "controls/pictures/pictures.h"
#include "controls/property_bag.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qb::controls {

struct ListEntry {
    // The row's text, kept by its list: it lives as long as the list, and no longer.
    std::wstring_view userName;
    std::int32_t userPriv = 0; // 0 Guest, 1 User, 2 Administrator, 3 PowerUser; -1 no icon
    bool userRestricted = false;
    bool userLocked = false;
    std::int32_t userTag = 0;
};

// The stock pictures. userImage: 0..3 large normal, 4..7 large selected, 8..11 small
// normal, 12..15 small selected (by user type). clockImage and lockImage: 0 large normal,
// 1 large selected, 2 small normal, 3 small selected.
inline constexpr int SmallUserImages = 8;    // where the small user pictures start
inline constexpr int SelectedUserImages = 4; // the selected look's offset in each size
inline constexpr int SmallClockImages = 2;
inline constexpr int SelectedClockImage = 1;
PictureSize UserImageSize(int index);  // pixels at 96 dots per inch
PictureSize ClockImageSize(int index); // the lock pictures have the same sizes
constexpr int NoPicture = -1;

// The four items of one row index, where they are and what they show. Rows keep these
// for the list's life; Sort moves entries between them, not the items themselves.
struct RowItems {
    TwipsRect userIcon;
    TwipsRect clockIcon;
    TwipsRect lockIcon;
    TwipsRect label;
    bool userIconVisible = false;
    bool clockIconVisible = false;
    bool lockIconVisible = false;
    bool labelVisible = false;
    int userPicture = NoPicture; // index into userImage
    int clockPicture = 0;        // index into clockImage
    int lockPicture = 0;         // index into lockImage
    bool labelWhite = false;     // white text (selected look), else black
    int labelFont = 0;           // index into LabelFonts(): the font the row was added with
};

enum class RowItem { UserIcon, ClockIcon, LockIcon, Label };

// The header strip: a list-view column header that shows only its four columns.
struct HeaderStrip {
    bool visible = true;
    int height = 0; // twips
    int width = 0;  // twips
    std::array<int, 4> columnWidthPx{};
    int sortColumn = 0;
    int sortOrder = 0;     // 0 ascending, 1 descending
    unsigned repaints = 0; // bumped whenever the sort mark has to move
};

struct ScrollBarState {
    bool visible = false;
    int left = 0;   // twips
    int width = 0;  // twips
    int height = 0; // twips
    int max = 0;
    int largeChange = 1;
    int value = 0;
};

struct Highlight {
    bool visible = false;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The list's colours, 0x00BBGGRR. The selected pictures are drawn to sit on the highlight.
struct ListColours {
    static constexpr std::uint32_t Background = 0xFFFFFF;
    static constexpr std::uint32_t Highlight = 0xDF8760; // red 96, green 135, blue 223
    static constexpr std::uint32_t Label = 0x000000;
    static constexpr std::uint32_t SelectedLabel = 0xFFFFFF;
};

enum class MouseButton { Left, Right, Middle };

// What the window measured on its screen. The rows are laid out in twips, their pictures
// and the pixel-wide gaps between them as designed at 96 dots per inch, so that they grow
// with the density as the text does.
struct ListMetrics {
    Density density;
    int headerHeightPx = 20;   // the header's item height, measured by the window
    int scrollBarWidthPx = 17; // the system's vertical scroll bar width
    int labelHeight = 195;     // twips: the height of a label in the list's font
};

class CustomListModel {
public:
    static constexpr int ColumnCount = 4;
    static constexpr const wchar_t* NameColumnCaption = L"User name";

    // Creation: an empty list with no selection and its header in place; the default
    // property values (large icons, header shown) are applied through their setters.
    CustomListModel(const ListMetrics& metrics, int innerWidth, int innerHeight,
                    AnsiBytesOf ansiBytes = Windows1252Bytes());

    // Events, raised synchronously inside the handling of the mouse action.
    std::function<void(std::int32_t tag)> ItemClick;
    std::function<void(std::int32_t column)> ColumnClick;

    // --- persisted properties ---
    bool SmallIcons() const { return smallIcons_; }
    void SetSmallIcons(bool small) noexcept;
    bool NoHeader() const { return noHeader_; }
    void SetNoHeader(bool hdr) noexcept;
    // Reads "SmallIcons" then "NoHeader" (missing or unreadable: False) and applies them
    // in that order.
    void ReadProperties(const PropertyBag& bag) noexcept;
    // Stores both; what the bag cannot store (it runs out of memory) is the caller's to handle.
    void WriteProperties(PropertyBag& bag) const;

    // --- rows ---
    void AddItem(const std::wstring& userName, std::int32_t userPriv, bool userRestricted,
                 bool userLocked, std::int32_t userTag);
    // Room for `rows` rows in all: a list of thousands then grows without copying them.
    void Reserve(std::int32_t rows);
    void selectItem(std::int32_t itmNum, bool byTag);
    void HideSelection();
    std::int32_t SelectedItem() const { return selectedIndex_; }
    // The row that carries `tag`, or -1.
    std::int32_t IndexOfTag(std::int32_t tag) const;
    // The setters of a row's looks: the selected row by default, or row `itmNum`, which
    // then shows its normal look, selected or not.
    void SetAccountLocked(bool b, std::int32_t itmNum = -1);
    void SetHasTimeRestrictions(bool b, std::int32_t itmNum = -1);
    void SetNewUserName(const std::wstring& name, std::int32_t itmNum = -1);
    void SetNewUserType(std::int32_t t, std::int32_t itmNum = -1);
    void Sort(std::int32_t sortColumn, bool sortForwards);

    // The labels' font; bold is not applied. It goes to the template row (row 0's own
    // label) and every row added later; rows added before keep theirs.
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru);
    // The height of a label in the template's font (twips), as the window measured it.
    void SetLabelHeight(int labelHeight) noexcept;
    // The list moved to a screen of another density: the header and scroll bar took their
    // sizes there and the labels their height. Every row is laid out again.
    void SetMetrics(const ListMetrics& metrics);
    // Every font the labels were given, the designed one first; the last is the template's.
    const std::vector<FontSpec>& LabelFonts() const { return labelFonts_; }
    const FontSpec& LabelFont() const { return labelFonts_.back(); }
    const FontSpec& HeaderFont() const { return headerFont_; }

    // --- size and scrolling ---
    void Resize(int innerWidth, int innerHeight);
    // The scroll bar's value changed (change or thumb-track notification).
    void ScrollBarChanged(int value);

    // --- mouse ---
    // A press on the list's own surface; on an item of a row it starts a click of that
    // item, elsewhere in a row slot it clicks the row (left button, no Shift/Ctrl/Alt).
    void MouseDown(MouseButton button, ShiftState shift, int x, int y);
    // The release: completes an item click when it ends on the item it began on.
    void MouseUp(MouseButton button, int x, int y);
    // True while a row item is pressed and its release is awaited.
    bool ItemPressed() const noexcept { return pressedItem_.has_value(); }
    // The press ends without a click (the window lost the mouse to another).
    void CancelPress() noexcept { pressedItem_.reset(); }
    // The left button released over the header at pixel x.
    void HeaderButtonUp(int xPx);
    int ColumnFromX(int xPx) const;
    // Row under a point of the empty part of the slots (may be out of 0..LastIndex).
    int RowAt(int y) const;
    // The visible row item under a point, as (row, item).
    std::optional<std::pair<int, RowItem>> ItemAt(int x, int y) const;
    // Clicks row i: deselects the previous row, selects this one, raises ItemClick.
    void ClickRow(int i);

    // --- keyboard ---
    // The list took or lost the keyboard focus.
    void SetFocused(bool focused);
    bool Focused() const { return focused_; }
    // The row the keys act on: the selected one, else the first; -1 in an empty list.
    int FocusRow() const;
    // Where the focus rectangle goes while the list has the focus: around the focus row's
    // slot, over the highlight's width.
    std::optional<TwipsRect> FocusRect() const;
    // A key pressed while the list has the focus; true when the list acted on it. The
    // arrows, Home, End, Page Up and Page Down select the row they reach, scrolled into
    // view, and click it as the mouse would; Space clicks the focus row again; in a list
    // with a header, Ctrl+1 to Ctrl+4 click its four columns.
    bool KeyDown(Key key, ShiftState shift);
    // The whole rows the list area holds.
    int RowsPerPage() const;

    // --- screen readers ---
    // Row i (from 0) as a screen reader is told of it: named by its text, described by
    // its user type, clock and lock. Active Accessibility numbers it i + 1.
    accessible::Item AccessibleRow(int i) const;
    // The changes to announce since the last call.
    std::vector<accessible::Event> TakeAccessibleEvents() { return events_.Take(); }

    // --- what the window draws ---
    int LastIndex() const { return lastIndex_; }
    int Count() const { return lastIndex_ + 1; }
    const ListEntry& Entry(int i) const { return entries_.at(static_cast<std::size_t>(i)); }
    const RowItems& Row(int i) const { return rows_.at(static_cast<std::size_t>(i)); }
    // The text of row i's label: its entry's name.
    std::wstring_view LabelText(int i) const { return Entry(i).userName; }
    const RowItems& TemplateRow() const { return rows_.front(); }
    int TopIndex() const { return topIndex_; }
    int ListTop() const { return listTop_; }
    int RowHeight() const { return rowHeight_; }
    int InnerWidth() const { return innerWidth_; }
    int InnerHeight() const { return innerHeight_; }
    const Highlight& SelectionHighlight() const { return highlight_; }
    const HeaderStrip& Header() const { return header_; }
    const ScrollBarState& ScrollBar() const { return scrollBar_; }
    const ListMetrics& Metrics() const { return metrics_; }
    // The rows area, clipped: from one pixel above the first slot (where its highlight
    // starts) to the bottom, left of the scroll bar while it shows.
    TwipsRect RowsArea() const;
    // Indexes of the first and the last row with an item shown in the rows area; rows
    // between them may lie outside it. {0, -1} when none shows.
    std::pair<int, int> VisibleRows() const;
    // Left edge, in header pixels, of the sort mark; `captionWidthPx` is the width of
    // "User name" in the header's font.
    int SortMarkX(int captionWidthPx) const;
    // Its top, and its size (square), in header pixels.
    int SortMarkTop() const { return metrics_.density.Scaled(4); }
    int SortMarkSide() const { return metrics_.density.Scaled(SortMarkSize.width); }

private:
    int SizeBase() const { return smallIcons_ ? SmallUserImages : 0; }
    int ClockLockPicture(bool selected) const;
    int UserPicture(std::int32_t priv, bool selected) const;
    void ApplyLook(int i, bool selected);
    void ShowRow(int i, bool selected);
    void DeselectRow(int i);
    void LayTemplateLefts() noexcept;
    void SetHeaderColumnWidths() noexcept;
    void SetResizedNameColumn();
    void FitRows(bool fromResize);
    void SetScrollValue(int v);
    void ScrollTo(int v);
    void ScrollIntoView(int i);
    void RaiseForRow(std::uint32_t event, int i) { events_.Raise(event, i + 1); }
    bool ValidIndex(int i) const { return i >= 0 && i <= lastIndex_; }

    ListMetrics metrics_;
    AnsiBytesOf ansiBytes_;
    std::int32_t lastIndex_ = -1;
    std::vector<ListEntry> entries_;
    TextStore texts_;            // the entries' names
    std::vector<RowItems> rows_; // rows_[0] is the template (row 0's items)
    std::int32_t selectedIndex_ = -1;
    std::int32_t topIndex_ = 0;
    int rowHeight_ = 0;
    int listTop_ = 0;
    bool smallIcons_ = false;
    bool noHeader_ = false;
    int innerWidth_ = 0;
    int innerHeight_ = 0;
    Highlight highlight_;
    HeaderStrip header_;
    ScrollBarState scrollBar_;
    std::vector<FontSpec> labelFonts_{FontSpec{}};
    FontSpec headerFont_;
    std::optional<std::pair<int, RowItem>> pressedItem_;
    bool focused_ = false;
    accessible::EventQueue events_;
};

} // namespace qb::controls
