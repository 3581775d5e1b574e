#include "controls/customlist/custom_list_model.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace qb::controls {

namespace {

constexpr const wchar_t* kSmallIconsProperty = L"SmallIcons";
constexpr const wchar_t* kNoHeaderProperty = L"NoHeader";

// Gaps between the row items, in twips: the first a pixel of the design.
constexpr int kIconGap = kDesignPixel;
constexpr int kLabelGap = 60;
// How far below its slot top a label sits. Large rows: always 60. Small rows: 15 where
// the icon-size setter and AddItem place it, 30 where the header setter and scrolling
// do, so a small label moves down by 15 twips the first time the rows are repositioned.
constexpr int kLargeLabelOffset = 60;
constexpr int kSmallLabelOffsetPlaced = 15;
constexpr int kSmallLabelOffsetMoved = 30;
// The sort mark's left edge: this far into columns 0 to 2, this far past the caption of
// the name column, in pixels.
constexpr int kSortMarkIndentPx = 6;
constexpr int kSortMarkPastCaptionPx = 14;

// What a screen reader says of a row besides its name: the user types by their icons'
// numbers, then the clock and the padlock.
constexpr const wchar_t* kTypeNames[] = {L"Guest", L"User", L"Administrator", L"Power user"};
constexpr wchar_t kRestricted[] = L"logon hours restricted";
constexpr wchar_t kLocked[] = L"locked";

int FloorDiv(int a, int b) {
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

PictureSize UserImageSize(int index) {
    return index < SmallUserImages ? LargeUserImageSize : SmallUserImageSize;
}

PictureSize ClockImageSize(int index) {
    return index < SmallClockImages ? LargeClockImageSize : SmallClockImageSize;
}

CustomListModel::CustomListModel(const ListMetrics& metrics, int innerWidth, int innerHeight,
                                 AnsiBytesOf ansiBytes)
    : metrics_(metrics), ansiBytes_(std::move(ansiBytes)), innerWidth_(innerWidth),
      innerHeight_(innerHeight) {
    rows_.resize(1);
    RowItems& tpl = rows_.front();
    tpl.labelVisible = true;
    tpl.label.height = metrics_.labelHeight;

    header_.height = metrics_.density.Twips(metrics_.headerHeightPx);
    header_.width = innerWidth_;
    listTop_ = header_.height + kDesignPixel;

    tpl.userIcon.left = kDesignPixel;
    tpl.userIcon.top = tpl.clockIcon.top = tpl.lockIcon.top = listTop_;
    tpl.label.top = listTop_ + kLargeLabelOffset;
    highlight_.width = innerWidth_;

    scrollBar_.width = metrics_.density.Twips(metrics_.scrollBarWidthPx);
    scrollBar_.left = innerWidth_ - scrollBar_.width;
    scrollBar_.height = innerHeight_;

    // The designed property values, through their setters as a stored layout would be.
    SetSmallIcons(false);
    SetNoHeader(false);
}

// --- persisted properties ---

void CustomListModel::SetSmallIcons(bool small) noexcept {
    smallIcons_ = small;
    const PictureSize user = UserImageSize(small ? SmallUserImages : 0);
    const PictureSize clock = ClockImageSize(small ? SmallClockImages : 0);
    rowHeight_ = (2 + user.height) * kDesignPixel;

    RowItems& tpl = rows_.front();
    tpl.userIcon.width = user.width * kDesignPixel;
    tpl.userIcon.height = user.height * kDesignPixel;
    tpl.clockIcon.width = tpl.lockIcon.width = clock.width * kDesignPixel;
    tpl.clockIcon.height = tpl.lockIcon.height = clock.height * kDesignPixel;
    tpl.label.top = listTop_ + (small ? kSmallLabelOffsetPlaced : kLargeLabelOffset);
    LayTemplateLefts();

    highlight_.height = rowHeight_;
    if (!noHeader_)
        SetHeaderColumnWidths();
}

void CustomListModel::SetNoHeader(bool hdr) noexcept {
    noHeader_ = hdr;
    if (hdr) {
        listTop_ = kDesignPixel; // the first row starts one pixel from the top
        header_.visible = false;
    } else {
        listTop_ = header_.height + kDesignPixel;
        header_.visible = true;
    }
    RowItems& tpl = rows_.front();
    tpl.userIcon.top = tpl.clockIcon.top = tpl.lockIcon.top = listTop_;
    tpl.label.top = listTop_ + (smallIcons_ ? kSmallLabelOffsetMoved : kLargeLabelOffset);
}

void CustomListModel::ReadProperties(const PropertyBag& bag) noexcept {
    // The bag reports a value it cannot read as missing, so each keeps its default.
    const bool small = bag.ReadBool(kSmallIconsProperty).value_or(false);
    const bool hdr = bag.ReadBool(kNoHeaderProperty).value_or(false);
    SetSmallIcons(small);
    SetNoHeader(hdr);
}

void CustomListModel::WriteProperties(PropertyBag& bag) const {
    bag.WriteBool(kSmallIconsProperty, smallIcons_, false);
    bag.WriteBool(kNoHeaderProperty, noHeader_, false);
}

void CustomListModel::LayTemplateLefts() noexcept {
    RowItems& tpl = rows_.front();
    tpl.clockIcon.left = tpl.userIcon.left + tpl.userIcon.width + kIconGap;
    tpl.lockIcon.left = tpl.clockIcon.left + tpl.clockIcon.width + kIconGap;
    tpl.label.left = tpl.lockIcon.left + tpl.lockIcon.width + kLabelGap;
    tpl.label.width = std::max(0, innerWidth_ - tpl.label.left);
}

void CustomListModel::SetHeaderColumnWidths() noexcept {
    // The columns' edges in twips, a pixel of the design right of each picture, turned
    // into pixels as edges: the columns then stand over their pictures at any density.
    const RowItems& tpl = rows_.front();
    const Density& d = metrics_.density;
    const int edge1 = tpl.userIcon.width + kDesignPixel;
    const int edge2 = edge1 + tpl.clockIcon.width;
    const int edge3 = edge2 + tpl.lockIcon.width;
    header_.columnWidthPx[0] = d.Pixels(edge1);
    header_.columnWidthPx[1] = d.Pixels(edge2) - d.Pixels(edge1);
    header_.columnWidthPx[2] = d.Pixels(edge3) - d.Pixels(edge2);
    SetResizedNameColumn();
}

void CustomListModel::SetResizedNameColumn() {
    header_.columnWidthPx[3] = metrics_.density.Pixels(header_.width) - header_.columnWidthPx[0] -
                               header_.columnWidthPx[1] - header_.columnWidthPx[2];
}

// --- rows ---

int CustomListModel::ClockLockPicture(bool selected) const {
    return (smallIcons_ ? SmallClockImages : 0) + (selected ? SelectedClockImage : 0);
}

int CustomListModel::UserPicture(std::int32_t priv, bool selected) const {
    if (priv < 0 || priv > 3)
        return NoPicture; // -1 has no icon; other values are the caller's mistake
    return SizeBase() + (selected ? SelectedUserImages : 0) + priv;
}

void CustomListModel::ApplyLook(int i, bool selected) {
    RowItems& row = rows_[static_cast<std::size_t>(i)];
    row.userPicture = UserPicture(entries_[static_cast<std::size_t>(i)].userPriv, selected);
    row.clockPicture = ClockLockPicture(selected);
    row.lockPicture = ClockLockPicture(selected);
    row.labelWhite = selected;
}

void CustomListModel::ShowRow(int i, bool selected) {
    if (selected)
        selectItem(i, false);
    else
        ApplyLook(i, false);
    const ListEntry& e = entries_[static_cast<std::size_t>(i)];
    RowItems& row = rows_[static_cast<std::size_t>(i)];
    row.clockIconVisible = e.userRestricted;
    row.lockIconVisible = e.userLocked;
}

void CustomListModel::DeselectRow(int i) {
    if (ValidIndex(i))
        ApplyLook(i, false);
    highlight_.visible = false;
}

void CustomListModel::AddItem(const std::wstring& userName, std::int32_t userPriv,
                              bool userRestricted, bool userLocked, std::int32_t userTag) {
    const int n = ++lastIndex_;
    if (n != 0) {
        // A new row copies the template's sizes, lefts and font and takes the tops of
        // its slot with the list unscrolled.
        RowItems row = rows_.front();
        const int top = listTop_ + n * rowHeight_;
        row.userIcon.top = row.clockIcon.top = row.lockIcon.top = top;
        row.label.top = top + (smallIcons_ ? kSmallLabelOffsetPlaced : kLargeLabelOffset);
        row.userIconVisible = userPriv != -1;
        row.labelVisible = true;
        rows_.push_back(row);
    } else {
        rows_.front().userIconVisible = userPriv != -1;
    }
    entries_.push_back(
        ListEntry{texts_.Keep(userName), userPriv, userRestricted, userLocked, userTag});
    ShowRow(n, false);
    FitRows(false);
}

void CustomListModel::Reserve(std::int32_t rows) {
    if (rows <= 0)
        return;
    entries_.reserve(static_cast<std::size_t>(rows));
    rows_.reserve(static_cast<std::size_t>(rows));
}

void CustomListModel::selectItem(std::int32_t itmNum, bool byTag) {
    int row = itmNum;
    if (byTag) {
        if (lastIndex_ < 0)
            return;
        row = 0;
        for (int i = 0; i <= lastIndex_; ++i) {
            if (entries_[static_cast<std::size_t>(i)].userTag == itmNum) {
                row = i;
                break;
            }
        }
    } else if (!ValidIndex(row)) {
        return;
    }
    selectedIndex_ = row;
    ApplyLook(row, true);
    highlight_.top = rows_[static_cast<std::size_t>(row)].userIcon.top - kDesignPixel;
    highlight_.visible = true;
    RaiseForRow(accessible::EventSelection, row);
    if (focused_)
        RaiseForRow(accessible::EventFocus, row);
}

void CustomListModel::HideSelection() {
    DeselectRow(selectedIndex_);
}

std::int32_t CustomListModel::IndexOfTag(std::int32_t tag) const {
    for (int i = 0; i <= lastIndex_; ++i)
        if (entries_[static_cast<std::size_t>(i)].userTag == tag)
            return i;
    return -1;
}

void CustomListModel::SetAccountLocked(bool b, std::int32_t itmNum) {
    const int row = itmNum == -1 ? selectedIndex_ : itmNum;
    if (!ValidIndex(row))
        return;
    entries_[static_cast<std::size_t>(row)].userLocked = b;
    rows_[static_cast<std::size_t>(row)].lockIconVisible = b;
    RaiseForRow(accessible::EventDescriptionChange, row);
}

void CustomListModel::SetHasTimeRestrictions(bool b, std::int32_t itmNum) {
    const int row = itmNum == -1 ? selectedIndex_ : itmNum;
    if (!ValidIndex(row))
        return;
    entries_[static_cast<std::size_t>(row)].userRestricted = b;
    rows_[static_cast<std::size_t>(row)].clockIconVisible = b;
    RaiseForRow(accessible::EventDescriptionChange, row);
}

void CustomListModel::SetNewUserName(const std::wstring& name, std::int32_t itmNum) {
    const int row = itmNum == -1 ? selectedIndex_ : itmNum;
    if (!ValidIndex(row))
        return;
    ListEntry& entry = entries_[static_cast<std::size_t>(row)];
    texts_.Abandon(entry.userName);
    entry.userName = texts_.Keep(name);
    if (texts_.Wasteful()) {
        TextStore kept;
        for (ListEntry& e : entries_)
            e.userName = kept.Keep(e.userName);
        texts_ = std::move(kept);
    }
    RaiseForRow(accessible::EventNameChange, row);
}

void CustomListModel::SetNewUserType(std::int32_t t, std::int32_t itmNum) {
    const int row = itmNum == -1 ? selectedIndex_ : itmNum;
    if (!ValidIndex(row))
        return;
    entries_[static_cast<std::size_t>(row)].userPriv = t;
    // A row named by index shows its normal look even when it is the selected row: the
    // owner uses that form for the other list's row of the same account.
    rows_[static_cast<std::size_t>(row)].userPicture = UserPicture(t, itmNum == -1);
    RaiseForRow(accessible::EventDescriptionChange, row);
}

void CustomListModel::Sort(std::int32_t sortColumn, bool sortForwards) {
    if (lastIndex_ < 0)
        return;
    if (sortColumn < 0 || sortColumn >= ColumnCount)
        return; // the header has no other column to mark
    // No selection stays no selection, whatever tags the rows carry.
    std::optional<std::int32_t> selectedTag;
    if (ValidIndex(selectedIndex_))
        selectedTag = entries_[static_cast<std::size_t>(selectedIndex_)].userTag;

    SortKeyBuilder keys(ansiBytes_);
    const auto appendKey = [&](SortKey& key, const ListEntry& e) {
        if (sortColumn == 3 && !sortForwards) {
            key += keys.Backwards(LowerCaseName(e.userName));
            return;
        }
        // The column's own key first, then the name.
        if (sortColumn == 0) {
            const std::string digits = std::to_string(sortForwards ? e.userPriv : 3 - e.userPriv);
            key.append(digits.begin(), digits.end());
        } else if (sortColumn != 3) {
            key.push_back(
                (sortColumn == 1 ? e.userRestricted : e.userLocked) != sortForwards ? U'1' : U'0');
        }
        SortKeyBuilder::AppendForwardsOf(key, e.userName);
    };
    // Stable and ordinal, a prefix first: the same order as inserting each row after
    // every row whose key is not greater; equal keys keep the order the rows had. The row
    // tagged 0 heads the list in every order; no key could keep it there, since an empty
    // name's key is a prefix of every other.
    // Rows that are in order already, as the platform often lists accounts, are left as
    // they are. That is found with two keys at a time: a list of thousands of rows need
    // not hold all their keys, nor move its rows, to learn that it is sorted.
    bool inOrder = true;
    SortKey previous;
    SortKey next;
    for (std::size_t i = 0; i < entries_.size() && inOrder; ++i) {
        next.clear();
        appendKey(next, entries_[i]);
        if (i > 0) {
            const bool previousFirst = entries_[i - 1].userTag == 0;
            inOrder = previousFirst != (entries_[i].userTag == 0) ? previousFirst
                                                                  : previous.compare(next) <= 0;
        }
        std::swap(previous, next);
    }
    if (!inOrder) {
        // The keys live only while the list sorts, all in one piece of text: a list of
        // thousands of rows would otherwise keep a second copy of every name for its whole
        // life, or make thousands of keys each time it sorts.
        struct Keyed {
            std::size_t from;
            std::size_t length;
            std::size_t entry;
            bool first; // the row tagged 0
        };
        SortKey pool;
        std::size_t letters = 0;
        for (const ListEntry& e : entries_)
            letters += e.userName.size() + 2;
        pool.reserve(letters);
        std::vector<Keyed> keyed;
        keyed.reserve(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            const std::size_t from = pool.size();
            appendKey(pool, entries_[i]);
            keyed.push_back(Keyed{from, pool.size() - from, i, entries_[i].userTag == 0});
        }
        const auto key = [&pool](const Keyed& k) {
            return std::u32string_view(pool.data() + k.from, k.length);
        };
        std::sort(keyed.begin(), keyed.end(), [&key](const Keyed& a, const Keyed& b) {
            if (a.first != b.first)
                return a.first;
            const int order = key(a).compare(key(b));
            return order != 0 ? order < 0 : a.entry < b.entry;
        });
        std::vector<ListEntry> sorted;
        sorted.reserve(entries_.size());
        for (const Keyed& k : keyed)
            sorted.push_back(entries_[k.entry]);
        entries_ = std::move(sorted);
    }

    for (int i = 0; i <= lastIndex_; ++i) {
        const bool selected =
            selectedTag && entries_[static_cast<std::size_t>(i)].userTag == *selectedTag;
        ShowRow(i, selected);
    }
    header_.sortColumn = sortColumn;
    header_.sortOrder = sortForwards ? 0 : 1;
    ++header_.repaints;
    events_.Raise(accessible::EventReorder, accessible::Self);
}

void CustomListModel::SetFont(const std::wstring& fontName, float fontSize, bool /*fontBold*/,
                              bool fontItalic, bool fontUnderline, bool fontStrikethru) {
    // The weight stays as designed; each setting is applied on its own so that one that
    // cannot be applied does not stop the others.
    FontSpec label = labelFonts_.back();
    for (FontSpec* f : {&label, &headerFont_}) {
        f->italic = fontItalic;
        if (!fontName.empty())
            f->name = fontName;
        if (std::isfinite(fontSize) && fontSize > 0) // no font has an endless size
            f->size = fontSize;
        f->strikethrough = fontStrikethru;
        f->underline = fontUnderline;
    }
    if (!(label == labelFonts_.back()))
        labelFonts_.push_back(std::move(label));
    rows_.front().labelFont = static_cast<int>(labelFonts_.size()) - 1;
}

void CustomListModel::SetLabelHeight(int labelHeight) noexcept {
    if (labelHeight <= 0)
        return;
    metrics_.labelHeight = labelHeight;
    rows_.front().label.height = labelHeight;
}

void CustomListModel::SetMetrics(const ListMetrics& metrics) {
    metrics_ = metrics;
    header_.height = metrics_.density.Twips(metrics_.headerHeightPx);
    listTop_ = noHeader_ ? kDesignPixel : header_.height + kDesignPixel;
    scrollBar_.width = metrics_.density.Twips(metrics_.scrollBarWidthPx);
    for (RowItems& row : rows_)
        row.label.height = metrics_.labelHeight;
    // The rows keep their twips; only the header above them and the bar beside them took
    // new sizes, so the slots are placed again from the new top and the bar fitted again.
    if (!noHeader_)
        SetHeaderColumnWidths();
    Resize(innerWidth_, innerHeight_);
    ScrollTo(topIndex_);
}

// --- size and scrolling ---

void CustomListModel::Resize(int innerWidth, int innerHeight) {
    innerWidth_ = innerWidth;
    innerHeight_ = innerHeight;
    scrollBar_.left = innerWidth_ - scrollBar_.width;
    scrollBar_.height = innerHeight_;
    FitRows(true);
    if (!noHeader_)
        SetResizedNameColumn();
}

void CustomListModel::FitRows(bool fromResize) {
    const int count = lastIndex_ + 1;
    const int area = innerHeight_ - listTop_;
    if (count * rowHeight_ <= area) {
        if (fromResize) {
            scrollBar_.visible = false;
            highlight_.width = innerWidth_;
            header_.width = innerWidth_;
            scrollBar_.value = 0;
            ScrollTo(0);
        }
        return;
    }
    scrollBar_.max = count - FloorDiv(area, rowHeight_);
    scrollBar_.largeChange = std::max(1, fromResize ? count - 1 : count);
    scrollBar_.visible = true;
    highlight_.width = innerWidth_ - scrollBar_.width;
    header_.width = innerWidth_ - scrollBar_.width;
    if (scrollBar_.value > scrollBar_.max)
        SetScrollValue(scrollBar_.max); // the bar moves its value in range and says so
}

void CustomListModel::ScrollBarChanged(int value) {
    SetScrollValue(value);
}

void CustomListModel::SetScrollValue(int v) {
    v = std::clamp(v, 0, std::max(0, scrollBar_.max));
    scrollBar_.value = v;
    ScrollTo(v);
}

void CustomListModel::ScrollTo(int v) {
    topIndex_ = v;
    const int labelOffset = smallIcons_ ? kSmallLabelOffsetMoved : kLargeLabelOffset;
    for (int i = 0; i <= lastIndex_; ++i) {
        RowItems& row = rows_[static_cast<std::size_t>(i)];
        const int top = listTop_ + (i - topIndex_) * rowHeight_;
        row.userIcon.top = row.clockIcon.top = row.lockIcon.top = top;
        row.label.top = top + labelOffset;
    }
    if (selectedIndex_ >= 0)
        highlight_.top =
            rows_[static_cast<std::size_t>(selectedIndex_)].userIcon.top - kDesignPixel;
}

// --- mouse ---

TwipsRect CustomListModel::RowsArea() const {
    const int top = listTop_ - kDesignPixel;
    const int width = scrollBar_.visible ? innerWidth_ - scrollBar_.width : innerWidth_;
    return TwipsRect{0, top, std::max(0, width), std::max(0, innerHeight_ - top)};
}

std::pair<int, int> CustomListModel::VisibleRows() const {
    // Every row is looked at, which costs no more than the scrolling that moves them all:
    // rows usually sit in their slots, but the icon-size and header setters re-lay only the
    // template row, and a label may reach past its own row.
    const TwipsRect area = RowsArea();
    auto overlaps = [&](const TwipsRect& r) {
        return r.left < area.right() && r.right() > area.left && r.top < area.bottom() &&
               r.bottom() > area.top;
    };
    int first = 0, last = -1;
    for (int i = 0; i <= lastIndex_; ++i) {
        const RowItems& row = rows_[static_cast<std::size_t>(i)];
        // A label reaches as far right as its text can be drawn.
        const TwipsRect label{row.label.left, row.label.top,
                              std::max(0, area.right() - row.label.left), row.label.height};
        if ((row.userIconVisible && overlaps(row.userIcon)) ||
            (row.clockIconVisible && overlaps(row.clockIcon)) ||
            (row.lockIconVisible && overlaps(row.lockIcon)) ||
            (row.labelVisible && overlaps(label))) {
            first = last < 0 ? i : first;
            last = i;
        }
    }
    return {first, last};
}

int CustomListModel::RowAt(int y) const {
    // The extra pixel makes each slot's hit area start where its highlight starts.
    return FloorDiv(y - listTop_ + kDesignPixel, rowHeight_) + topIndex_;
}

std::optional<std::pair<int, RowItem>> CustomListModel::ItemAt(int x, int y) const {
    const TwipsRect area = RowsArea();
    if (!area.Contains(x, y))
        return std::nullopt;
    const auto [first, last] = VisibleRows();
    for (int i = first; i <= last; ++i) {
        const RowItems& row = rows_[static_cast<std::size_t>(i)];
        if (row.userIconVisible && row.userIcon.Contains(x, y))
            return std::pair{i, RowItem::UserIcon};
        if (row.clockIconVisible && row.clockIcon.Contains(x, y))
            return std::pair{i, RowItem::ClockIcon};
        if (row.lockIconVisible && row.lockIcon.Contains(x, y))
            return std::pair{i, RowItem::LockIcon};
        // A label reaches as far right as its text can be drawn.
        if (row.labelVisible && x >= row.label.left && y >= row.label.top && y < row.label.bottom())
            return std::pair{i, RowItem::Label};
    }
    return std::nullopt;
}

void CustomListModel::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
    pressedItem_.reset();
    if (const auto item = ItemAt(x, y)) {
        // A row item is clicked like a button: on release over the same item.
        if (button == MouseButton::Left)
            pressedItem_ = item;
        return;
    }
    if (button != MouseButton::Left || shift.Any())
        return;
    if (!RowsArea().Contains(x, y))
        return;
    const int row = RowAt(y);
    if (ValidIndex(row))
        ClickRow(row);
}

void CustomListModel::MouseUp(MouseButton button, int x, int y) {
    if (button != MouseButton::Left || !pressedItem_)
        return;
    const auto pressed = *pressedItem_;
    pressedItem_.reset();
    if (ItemAt(x, y) == pressed && ValidIndex(pressed.first))
        ClickRow(pressed.first);
}

void CustomListModel::ClickRow(int i) {
    if (!ValidIndex(i))
        return;
    DeselectRow(selectedIndex_);
    selectedIndex_ = i;
    selectItem(i, false);
    if (ItemClick)
        ItemClick(entries_[static_cast<std::size_t>(i)].userTag);
}

// --- keyboard ---

void CustomListModel::SetFocused(bool focused) {
    focused_ = focused;
    if (focused && FocusRow() >= 0)
        RaiseForRow(accessible::EventFocus, FocusRow());
}

int CustomListModel::FocusRow() const {
    if (ValidIndex(selectedIndex_))
        return selectedIndex_;
    return lastIndex_ >= 0 ? 0 : -1;
}

std::optional<TwipsRect> CustomListModel::FocusRect() const {
    const int i = FocusRow();
    if (!focused_ || i < 0)
        return std::nullopt;
    return TwipsRect{0, rows_[static_cast<std::size_t>(i)].userIcon.top - kDesignPixel,
                     highlight_.width, rowHeight_};
}

int CustomListModel::RowsPerPage() const {
    return rowHeight_ > 0 ? std::max(0, innerHeight_ - listTop_) / rowHeight_ : 0;
}

bool CustomListModel::KeyDown(Key key, ShiftState shift) {
    if (shift.ctrl && !shift.alt && key >= Key::Digit1 && key <= Key::Digit4) {
        if (noHeader_)
            return false;
        if (ColumnClick)
            ColumnClick(static_cast<int>(key) - static_cast<int>(Key::Digit1));
        return true;
    }
    if (shift.ctrl || shift.alt || lastIndex_ < 0)
        return false;
    // Without a selection every move starts on the first row, as the focus does.
    const bool none = !ValidIndex(selectedIndex_);
    const int from = FocusRow();
    const int page = std::max(1, RowsPerPage() - 1);
    int to = from;
    switch (key) {
    case Key::Up:
        to = none ? 0 : from - 1;
        break;
    case Key::Down:
        to = none ? 0 : from + 1;
        break;
    case Key::PageUp:
        to = none ? 0 : from - page;
        break;
    case Key::PageDown:
        to = none ? 0 : from + page;
        break;
    case Key::Home:
        to = 0;
        break;
    case Key::End:
        to = lastIndex_;
        break;
    case Key::Space:
        break;
    default:
        return false;
    }
    to = std::clamp(to, 0, lastIndex_);
    ScrollIntoView(to);
    // A key that does not move leaves the row alone: holding Up on the first row of the
    // second list must not copy its hours again and again.
    if (to != selectedIndex_ || key == Key::Space)
        ClickRow(to);
    return true;
}

void CustomListModel::ScrollIntoView(int i) {
    if (!scrollBar_.visible)
        return;
    const int slots = std::max(1, RowsPerPage());
    if (i < topIndex_)
        SetScrollValue(i);
    else if (i >= topIndex_ + slots)
        SetScrollValue(i - slots + 1);
}

// --- screen readers ---

accessible::Item CustomListModel::AccessibleRow(int i) const {
    accessible::Item item;
    if (!ValidIndex(i))
        return item;
    const ListEntry& e = entries_[static_cast<std::size_t>(i)];
    item.name = std::wstring(e.userName);
    std::wstring& d = item.description;
    if (e.userPriv >= 0 && e.userPriv < static_cast<std::int32_t>(std::size(kTypeNames)))
        d = kTypeNames[e.userPriv];
    for (const auto& [shown, word] :
         {std::pair{e.userRestricted, kRestricted}, {e.userLocked, kLocked}})
        if (shown)
            d += (d.empty() ? L"" : L", ") + std::wstring(word);
    item.role = accessible::RoleListItem;
    item.state = accessible::StateSelectable | accessible::StateFocusable;
    if (i == selectedIndex_ && highlight_.visible)
        item.state |= accessible::StateSelected;
    if (focused_ && i == FocusRow())
        item.state |= accessible::StateFocused;
    const int top = rows_[static_cast<std::size_t>(i)].userIcon.top;
    if (i < topIndex_ || top >= innerHeight_)
        item.state |= accessible::StateOffscreen;
    item.bounds = TwipsRect{0, top - kDesignPixel, RowsArea().width, rowHeight_};
    return item;
}

void CustomListModel::HeaderButtonUp(int xPx) {
    const int column = ColumnFromX(xPx);
    if (ColumnClick)
        ColumnClick(column);
}

int CustomListModel::ColumnFromX(int xPx) const {
    int running = 0;
    for (int c = 0; c < ColumnCount; ++c) {
        running += header_.columnWidthPx[static_cast<std::size_t>(c)];
        if (running > xPx)
            return c;
    }
    return ColumnCount - 1;
}

int CustomListModel::SortMarkX(int captionWidthPx) const {
    const int k = header_.sortColumn;
    int left = 0;
    for (int c = 0; c < k && c < ColumnCount; ++c)
        left += header_.columnWidthPx[static_cast<std::size_t>(c)];
    const Density& d = metrics_.density;
    if (k != 3)
        return left + d.Scaled(kSortMarkIndentPx);
    return left + captionWidthPx + d.Scaled(kSortMarkPastCaptionPx);
}

} // namespace qb::controls
