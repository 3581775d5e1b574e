// The user list's model under any sequence of rows added, sorts, selections, clicks and
// drags, scrolling, resizing, fonts and property changes, compared after every step with a
// plain statement of what the list must show: its rows and their looks, where every item
// of every row stands, the highlight, the header and the scroll bar, and the events raised.
//
// Rows are slots that keep their items for the list's life; a sort moves the entries
// (name, type, flags, tag) between the slots. Slot 0 is also the template that later rows
// copy, so the icon-size and header settings re-lay it and no other. Names carry no NUL, as
// account names never do.

#include "controls/customlist/custom_list_model.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace qb::controls;

// Stops at the first difference, naming the line of the check that found it.
void Check(bool holds, int line = __builtin_LINE()) {
    if (!holds) {
        std::fprintf(stderr, "user_list_fuzz: the check on line %d does not hold\n", line);
        std::abort();
    }
}

int FloorDiv(int a, int b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

struct Entry {
    std::wstring name;
    int priv = 0;
    bool restricted = false;
    bool locked = false;
    int tag = 0;
};

struct Slot {
    int top = 0;        // of its icons
    int labelTop = 0;   // placed on its own: the icon-size setter moves only the label
    bool small = false; // the icon sizes it was laid out with
    int labelHeight = 0;
    int font = 0;
    bool userIconShown = false;
    int userPicture = NoPicture;
    int clockPicture = 0;
    bool white = false;
    bool clockShown = false;
    bool lockShown = false;
};

class Reference {
public:
    Reference(const ListMetrics& m, int w, int h) : m_(m), width_(w), height_(h) {
        headerWidth_ = w;
        highlightWidth_ = w;
        listTop_ = m.density.Twips(m.headerHeightPx) + kDesignPixel;
        slots_.resize(1);
        slots_[0].labelHeight = m.labelHeight;
        fonts_.resize(1);
        SetSmallIcons(false);
        SetNoHeader(false);
    }

    // --- the calls ---
    void SetSmallIcons(bool small) {
        small_ = small;
        rowHeight_ = (2 + (small ? 16 : 22)) * kDesignPixel;
        slots_[0].small = small;
        slots_[0].labelTop = listTop_ + (small ? 15 : 60);
        highlightHeight_ = rowHeight_;
        if (!noHeader_)
            SetColumns();
    }
    void SetNoHeader(bool hdr) {
        noHeader_ = hdr;
        listTop_ = hdr ? kDesignPixel : m_.density.Twips(m_.headerHeightPx) + kDesignPixel;
        slots_[0].top = listTop_;
        slots_[0].labelTop = listTop_ + (small_ ? 30 : 60);
    }
    void AddItem(const Entry& e) {
        const int n = static_cast<int>(entries_.size());
        if (n > 0) {
            Slot slot = slots_[0];
            slot.top = listTop_ + n * rowHeight_;
            slot.labelTop = slot.top + (small_ ? 15 : 60);
            slots_.push_back(slot);
        }
        slots_[n].userIconShown = e.priv != -1;
        entries_.push_back(e);
        Show(n, false);
        Fit(false);
    }
    void Select(int item, bool byTag) {
        if (byTag) {
            if (entries_.empty())
                return;
            const auto found = std::find_if(entries_.begin(), entries_.end(),
                                            [&](const Entry& e) { return e.tag == item; });
            item = found == entries_.end() ? 0 : static_cast<int>(found - entries_.begin());
        } else if (!Valid(item)) {
            return;
        }
        selected_ = item;
        Look(item, true);
        highlightTop_ = slots_[item].top - kDesignPixel;
        highlightShown_ = true;
    }
    void HideSelection() { Deselect(selected_); }
    // The selected row's flags and name, or those of the row named.
    void SetLocked(bool b, int item) {
        if (const int row = item == -1 ? selected_ : item; Valid(row))
            entries_[row].locked = slots_[row].lockShown = b;
    }
    void SetRestricted(bool b, int item) {
        if (const int row = item == -1 ? selected_ : item; Valid(row))
            entries_[row].restricted = slots_[row].clockShown = b;
    }
    void SetName(const std::wstring& name, int item) {
        if (const int row = item == -1 ? selected_ : item; Valid(row))
            entries_[row].name = name;
    }
    void SetType(int t, int item) {
        const int row = item == -1 ? selected_ : item;
        if (!Valid(row))
            return;
        entries_[row].priv = t;
        slots_[row].userPicture = UserPicture(t, item == -1);
    }
    void Sort(int column, bool forwards) {
        if (entries_.empty() || column < 0 || column > 3)
            return;
        const std::optional<int> tag =
            Valid(selected_) ? std::optional(entries_[selected_].tag) : std::nullopt;
        std::stable_sort(entries_.begin(), entries_.end(), [&](const Entry& a, const Entry& b) {
            return Before(a, b, column, forwards);
        });
        for (int i = 0; i < Count(); ++i)
            Show(i, tag && entries_[i].tag == *tag);
        sortColumn_ = column;
        sortOrder_ = forwards ? 0 : 1;
        ++repaints_;
    }
    void SetFont(const std::wstring& name, float size, bool italic, bool underline, bool strike) {
        FontSpec label = fonts_.back();
        for (FontSpec* f : {&label, &headerFont_}) {
            if (!name.empty())
                f->name = name;
            if (std::isfinite(size) && size > 0)
                f->size = size;
            f->italic = italic;
            f->underline = underline;
            f->strikethrough = strike;
        }
        if (!(label == fonts_.back()))
            fonts_.push_back(label);
        slots_[0].font = static_cast<int>(fonts_.size()) - 1;
    }
    void SetLabelHeight(int h) {
        if (h > 0)
            slots_[0].labelHeight = h;
    }
    void Resize(int w, int h) {
        width_ = w;
        height_ = h;
        Fit(true);
        if (!noHeader_)
            columns_[3] = NameColumn();
    }
    // Another screen: the header, the bar and the labels take their sizes there, and every
    // row its slot again.
    void SetMetrics(const ListMetrics& m) {
        m_ = m;
        listTop_ = noHeader_ ? kDesignPixel : m.density.Twips(m.headerHeightPx) + kDesignPixel;
        for (Slot& slot : slots_)
            slot.labelHeight = m.labelHeight;
        if (!noHeader_)
            SetColumns();
        Resize(width_, height_);
        ScrollTo(top_);
    }
    void Scroll(int v) {
        value_ = std::clamp(v, 0, std::max(0, max_));
        ScrollTo(value_);
    }
    void MouseDown(MouseButton button, bool shift, int x, int y) {
        pressed_.reset();
        if (const auto item = ItemAt(x, y)) {
            if (button == MouseButton::Left)
                pressed_ = item;
            return;
        }
        if (button == MouseButton::Left && !shift && InRowsArea(x, y))
            Click(FloorDiv(y - listTop_ + kDesignPixel, rowHeight_) + top_);
    }
    void MouseUp(MouseButton button, int x, int y) {
        if (button != MouseButton::Left || !pressed_)
            return;
        const auto pressed = *pressed_;
        pressed_.reset();
        if (ItemAt(x, y) == pressed)
            Click(pressed.first);
    }
    void CancelPress() { pressed_.reset(); }
    // The column whose right edge is first past the pointer; the last beyond them all.
    void HeaderButtonUp(int x) {
        int right = 0, column = 0;
        while (column < 3 && (right += columns_[column]) <= x)
            ++column;
        columnClicks.push_back(column);
    }

    std::vector<int> itemClicks;
    std::vector<int> columnClicks;

    // --- what the list must show ---
    void Compare(const CustomListModel& list) const {
        Check(list.Count() == Count() && list.SelectedItem() == selected_);
        Check(list.TopIndex() == top_ && list.ListTop() == listTop_ &&
              list.RowHeight() == rowHeight_ && list.ItemPressed() == pressed_.has_value());
        for (int i = 0; i < Count(); ++i) {
            const ListEntry& e = list.Entry(i);
            const Entry& r = entries_[i];
            Check(e.userName == r.name && e.userPriv == r.priv &&
                  e.userRestricted == r.restricted && e.userLocked == r.locked &&
                  e.userTag == r.tag);
            const RowItems& row = list.Row(i);
            const Slot& s = slots_[i];
            const std::array<TwipsRect, 4> items = Items(s);
            Check(row.userIcon == items[0] && row.clockIcon == items[1] &&
                  row.lockIcon == items[2]);
            Check(row.label.left == items[3].left && row.label.top == items[3].top &&
                  row.label.height == items[3].height);
            Check(row.userIconVisible == s.userIconShown && row.labelVisible &&
                  row.clockIconVisible == s.clockShown && row.lockIconVisible == s.lockShown);
            Check(row.userPicture == s.userPicture && row.clockPicture == s.clockPicture &&
                  row.lockPicture == s.clockPicture && row.labelWhite == s.white &&
                  row.labelFont == s.font && list.LabelText(i) == r.name);
        }
        const Highlight& h = list.SelectionHighlight();
        Check(h.visible == highlightShown_ && h.top == highlightTop_ &&
              h.width == highlightWidth_ && h.height == highlightHeight_);
        const HeaderStrip& header = list.Header();
        Check(header.visible == !noHeader_ && header.width == headerWidth_ &&
              header.columnWidthPx == columns_ && header.sortColumn == sortColumn_ &&
              header.sortOrder == sortOrder_ && header.repaints == repaints_);
        const ScrollBarState& bar = list.ScrollBar();
        Check(bar.visible == barShown_ && bar.max == max_ && bar.largeChange == largeChange_ &&
              bar.value == value_ && bar.height == height_ && bar.left == width_ - BarWidth());
        Check(list.LabelFonts() == fonts_ && list.HeaderFont() == headerFont_);
        // The sort mark: 6 design pixels into its column, or 14 past the name's caption.
        int before = 0;
        for (int c = 0; c < sortColumn_; ++c)
            before += columns_[c];
        const Density& d = m_.density;
        Check(list.SortMarkX(40) == before + (sortColumn_ == 3 ? 40 + d.Scaled(14) : d.Scaled(6)));
    }

    int Count() const { return static_cast<int>(entries_.size()); }

private:
    bool Valid(int i) const { return i >= 0 && i < Count(); }

    int UserPicture(int priv, bool selected) const {
        return priv < 0 || priv > 3 ? NoPicture : (small_ ? 8 : 0) + (selected ? 4 : 0) + priv;
    }
    void Look(int i, bool selected) {
        slots_[i].userPicture = UserPicture(entries_[i].priv, selected);
        slots_[i].clockPicture = (small_ ? 2 : 0) + (selected ? 1 : 0);
        slots_[i].white = selected;
    }
    void Show(int i, bool selected) {
        if (selected)
            Select(i, false);
        else
            Look(i, false);
        slots_[i].clockShown = entries_[i].restricted;
        slots_[i].lockShown = entries_[i].locked;
    }
    void Deselect(int i) {
        if (Valid(i))
            Look(i, false);
        highlightShown_ = false;
    }
    void Click(int i) {
        if (!Valid(i))
            return;
        Deselect(selected_);
        Select(i, false);
        itemClicks.push_back(entries_[i].tag);
    }

    // Lower case as the list compares names; the backwards name order mirrors the bytes of
    // Windows-1252, in which a character it lacks is '?'.
    static std::vector<int> Bytes(const std::wstring& lower) {
        const AnsiBytesOf bytesOf = Windows1252Bytes();
        std::vector<int> bytes;
        for (wchar_t c : lower) {
            const std::string b = bytesOf(c);
            bytes.push_back(b.empty() ? '?' : static_cast<unsigned char>(b[0]));
        }
        return bytes;
    }
    static bool Before(const Entry& a, const Entry& b, int column, bool forwards) {
        if ((a.tag == 0) != (b.tag == 0))
            return a.tag == 0;
        const std::wstring la = LowerCaseName(a.name), lb = LowerCaseName(b.name);
        auto rank = [&](const Entry& e) {
            switch (column) {
            case 0:
                return forwards ? e.priv : 3 - e.priv;
            case 1:
                return e.restricted == forwards ? 0 : 1;
            case 2:
                return e.locked == forwards ? 0 : 1;
            default:
                return 0;
            }
        };
        if (rank(a) != rank(b))
            return rank(a) < rank(b);
        if (column != 3 || forwards)
            return la < lb;
        // Backwards by name: the greater byte first, but a name before the longer names
        // it begins.
        const std::vector<int> ba = Bytes(la), bb = Bytes(lb);
        const auto [ia, ib] = std::mismatch(ba.begin(), ba.end(), bb.begin(), bb.end());
        if (ia == ba.end() || ib == bb.end())
            return ba.size() < bb.size();
        return *ia > *ib;
    }

    void Fit(bool fromResize) {
        const int area = height_ - listTop_;
        if (Count() * rowHeight_ <= area) {
            if (fromResize) {
                barShown_ = false;
                highlightWidth_ = headerWidth_ = width_;
                value_ = 0;
                ScrollTo(0);
            }
            return;
        }
        max_ = Count() - FloorDiv(area, rowHeight_);
        largeChange_ = std::max(1, fromResize ? Count() - 1 : Count());
        barShown_ = true;
        highlightWidth_ = headerWidth_ = width_ - BarWidth();
        if (value_ > max_)
            Scroll(max_);
    }
    void ScrollTo(int v) {
        top_ = v;
        for (int i = 0; i < Count(); ++i) {
            slots_[i].top = listTop_ + (i - top_) * rowHeight_;
            slots_[i].labelTop = slots_[i].top + (small_ ? 30 : 60);
        }
        if (selected_ >= 0)
            highlightTop_ = slots_[selected_].top - kDesignPixel;
    }

    int BarWidth() const { return m_.density.Twips(m_.scrollBarWidthPx); }
    // The header's columns stand over the pictures: their edges in twips, a design pixel
    // right of the user-type picture, become pixels as edges; the name column takes the rest.
    void SetColumns() {
        const Density& d = m_.density;
        const int edge1 = (small_ ? 15 : 23) * kDesignPixel + kDesignPixel;
        const int edge2 = edge1 + (small_ ? 16 : 24) * kDesignPixel;
        const int edge3 = edge2 + (small_ ? 16 : 24) * kDesignPixel;
        columns_ = {d.Pixels(edge1), d.Pixels(edge2) - d.Pixels(edge1),
                    d.Pixels(edge3) - d.Pixels(edge2), 0};
        columns_[3] = NameColumn();
    }
    int NameColumn() const {
        return m_.density.Pixels(headerWidth_) - columns_[0] - columns_[1] - columns_[2];
    }

    // The user-type, clock and lock icons side by side from one pixel in, and the label.
    std::array<TwipsRect, 4> Items(const Slot& s) const {
        const int t = kDesignPixel; // the pictures as designed at 96 dots per inch
        const int userW = (s.small ? 15 : 23) * t, iconH = (s.small ? 16 : 22) * t;
        const int clockW = (s.small ? 16 : 24) * t;
        const int clockH = (s.small ? 16 : 22) * t;
        const int clockLeft = t + userW + t, lockLeft = clockLeft + clockW + t;
        return {TwipsRect{t, s.top, userW, iconH}, TwipsRect{clockLeft, s.top, clockW, clockH},
                TwipsRect{lockLeft, s.top, clockW, clockH},
                TwipsRect{lockLeft + clockW + 60, s.labelTop, 0, s.labelHeight}};
    }
    bool InRowsArea(int x, int y) const {
        const int top = listTop_ - kDesignPixel;
        const int w = barShown_ ? width_ - BarWidth() : width_;
        return x >= 0 && x < w && y >= top && y < height_;
    }
    // The first row, in slot order, with a shown item under the point; a label reaches as
    // far right as its text may be drawn.
    std::optional<std::pair<int, RowItem>> ItemAt(int x, int y) const {
        if (!InRowsArea(x, y))
            return std::nullopt;
        for (int i = 0; i < Count(); ++i) {
            const Slot& s = slots_[i];
            const auto items = Items(s);
            if (s.userIconShown && items[0].Contains(x, y))
                return std::pair{i, RowItem::UserIcon};
            if (s.clockShown && items[1].Contains(x, y))
                return std::pair{i, RowItem::ClockIcon};
            if (s.lockShown && items[2].Contains(x, y))
                return std::pair{i, RowItem::LockIcon};
            if (x >= items[3].left && y >= items[3].top && y < items[3].bottom())
                return std::pair{i, RowItem::Label};
        }
        return std::nullopt;
    }

    ListMetrics m_;
    int width_, height_;
    bool small_ = false, noHeader_ = false;
    int listTop_ = 0, rowHeight_ = 0, top_ = 0;
    std::vector<Entry> entries_;
    std::vector<Slot> slots_;
    int selected_ = -1;
    bool highlightShown_ = false;
    int highlightTop_ = 0, highlightWidth_ = 0, highlightHeight_ = 0;
    int headerWidth_ = 0;
    std::array<int, 4> columns_{};
    int sortColumn_ = 0, sortOrder_ = 0;
    unsigned repaints_ = 0;
    bool barShown_ = false;
    int max_ = 0, largeChange_ = 1, value_ = 0;
    std::vector<FontSpec> fonts_;
    FontSpec headerFont_;
    std::optional<std::pair<int, RowItem>> pressed_;
};

std::wstring SomeName(FuzzedDataProvider& fuzz) {
    // Case pairs, Latin-1 and Latin Extended-A letters, the Euro sign (0x80 in the code
    // page), a Cyrillic pair and a character the code page lacks.
    static constexpr wchar_t letters[] = L"aBbZ\u00e9\u00c9\u0141\u0142\u20ac\u0436\u0416\u674e -";
    std::wstring name;
    const std::size_t length = fuzz.ConsumeIntegralInRange<std::size_t>(0, 4);
    for (std::size_t i = 0; i < length; ++i)
        name.push_back(letters[fuzz.ConsumeIntegralInRange<std::size_t>(0, 13)]);
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider fuzz(data, size);
    auto someMetrics = [&] {
        ListMetrics m;
        m.density = Density(fuzz.PickValueInArray({96, 120, 144, 168, 192, 240, 100}));
        m.headerHeightPx = fuzz.ConsumeIntegralInRange(14, 60);
        m.scrollBarWidthPx = fuzz.ConsumeIntegralInRange(10, 60);
        m.labelHeight = fuzz.ConsumeIntegralInRange(100, 400);
        return m;
    };
    const ListMetrics metrics = someMetrics();
    const int width = fuzz.ConsumeIntegralInRange(0, 9000);
    const int height = fuzz.ConsumeIntegralInRange(0, 9000);
    CustomListModel list(metrics, width, height);
    Reference ref(metrics, width, height);
    std::vector<int> itemClicks, columnClicks;
    list.ItemClick = [&](std::int32_t tag) { itemClicks.push_back(tag); };
    list.ColumnClick = [&](std::int32_t column) { columnClicks.push_back(column); };
    auto row = [&] { return fuzz.ConsumeIntegralInRange(-2, ref.Count() + 1); };
    auto coordinate = [&] { return fuzz.ConsumeIntegralInRange(-100, 9000); };

    while (fuzz.remaining_bytes() > 0) {
        switch (fuzz.ConsumeIntegralInRange(0, 15)) {
        case 0:
        case 1: {
            Entry e{SomeName(fuzz), fuzz.ConsumeIntegralInRange(-1, 3), fuzz.ConsumeBool(),
                    fuzz.ConsumeBool(),
                    fuzz.ConsumeBool() ? fuzz.ConsumeIntegralInRange(0, 4)
                                       : fuzz.ConsumeIntegral<std::int32_t>()};
            list.AddItem(e.name, e.priv, e.restricted, e.locked, e.tag);
            ref.AddItem(e);
            break;
        }
        case 2: {
            const bool byTag = fuzz.ConsumeBool();
            const int item = row();
            list.selectItem(item, byTag);
            ref.Select(item, byTag);
            break;
        }
        case 3:
            list.HideSelection();
            ref.HideSelection();
            break;
        case 4: {
            const bool b = fuzz.ConsumeBool();
            const int item = fuzz.ConsumeBool() ? -1 : row();
            if (fuzz.ConsumeBool()) {
                list.SetAccountLocked(b, item);
                ref.SetLocked(b, item);
            } else {
                list.SetHasTimeRestrictions(b, item);
                ref.SetRestricted(b, item);
            }
            break;
        }
        case 5: {
            const std::wstring name = SomeName(fuzz);
            const int item = fuzz.ConsumeBool() ? -1 : row();
            list.SetNewUserName(name, item);
            ref.SetName(name, item);
            break;
        }
        case 6: {
            const int t = fuzz.ConsumeIntegralInRange(0, 3);
            const int item = fuzz.ConsumeBool() ? -1 : row();
            list.SetNewUserType(t, item);
            ref.SetType(t, item);
            break;
        }
        case 7: {
            const int column = fuzz.ConsumeIntegralInRange(-1, 4);
            const bool forwards = fuzz.ConsumeBool();
            list.Sort(column, forwards);
            ref.Sort(column, forwards);
            break;
        }
        case 8: {
            const int v = fuzz.ConsumeIntegralInRange(-3, ref.Count() + 3);
            list.ScrollBarChanged(v);
            ref.Scroll(v);
            break;
        }
        case 9: {
            if (fuzz.ConsumeIntegralInRange(0, 3) == 0) {
                // Moved to a screen of another density.
                const ListMetrics m = someMetrics();
                list.SetMetrics(m);
                ref.SetMetrics(m);
                break;
            }
            const int w = coordinate(), h = coordinate();
            list.Resize(w, h);
            ref.Resize(w, h);
            break;
        }
        case 10: {
            // A stored layout, or a setter called directly.
            MemoryPropertyBag bag;
            const bool small = fuzz.ConsumeBool(), hdr = fuzz.ConsumeBool();
            switch (fuzz.ConsumeIntegralInRange(0, 2)) {
            case 0:
                list.SetSmallIcons(small);
                ref.SetSmallIcons(small);
                break;
            case 1:
                list.SetNoHeader(hdr);
                ref.SetNoHeader(hdr);
                break;
            default:
                bag.Set(L"SmallIcons", small);
                if (fuzz.ConsumeBool())
                    bag.Set(L"NoHeader", hdr);
                else
                    bag.Set(L"NoHeader", std::wstring(L"1")); // not a Boolean: missing
                list.ReadProperties(bag);
                ref.SetSmallIcons(small);
                ref.SetNoHeader(bag.ReadBool(L"NoHeader").value_or(false));
                MemoryPropertyBag stored;
                list.WriteProperties(stored);
                Check(stored.ReadBool(L"SmallIcons").value_or(false) == list.SmallIcons() &&
                      stored.Contains(L"SmallIcons") == list.SmallIcons() &&
                      stored.Contains(L"NoHeader") == list.NoHeader());
            }
            break;
        }
        case 11: {
            const std::wstring name = fuzz.ConsumeBool() ? L"" : L"Tahoma";
            const float points = fuzz.PickValueInArray({0.0f, -1.0f, 8.0f, 9.5f, 1e30f});
            const bool b = fuzz.ConsumeBool(), i = fuzz.ConsumeBool(), u = fuzz.ConsumeBool(),
                       s = fuzz.ConsumeBool();
            list.SetFont(name, points, b, i, u, s);
            ref.SetFont(name, points, i, u, s);
            if (fuzz.ConsumeBool()) {
                const int h = fuzz.ConsumeIntegralInRange(-5, 400);
                list.SetLabelHeight(h);
                ref.SetLabelHeight(h);
            }
            break;
        }
        case 12:
        case 13: {
            const auto button = fuzz.PickValueInArray(
                {MouseButton::Left, MouseButton::Left, MouseButton::Right, MouseButton::Middle});
            const int x = coordinate(), y = coordinate();
            if (fuzz.ConsumeBool()) {
                const bool shift = fuzz.ConsumeBool();
                list.MouseDown(button, ShiftState{shift, false, false}, x, y);
                ref.MouseDown(button, shift, x, y);
            } else {
                list.MouseUp(button, x, y);
                ref.MouseUp(button, x, y);
            }
            break;
        }
        case 14:
            list.CancelPress();
            ref.CancelPress();
            break;
        case 15: {
            const int x = fuzz.ConsumeIntegralInRange(0, 65535);
            list.HeaderButtonUp(x);
            ref.HeaderButtonUp(x);
            break;
        }
        }
        ref.Compare(list);
        Check(itemClicks == ref.itemClicks && columnClicks == ref.columnClicks);
    }
    return 0;
}
