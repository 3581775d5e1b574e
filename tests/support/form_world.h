#pragma once
// The main window's model on a simulated machine, with both user lists on the portable
// list model, a timer and a locale of fixed English texts: for the tests that drive the
// window's decisions as the window would, natively.

#include "controls/customlist/custom_list_model.h"
#include "mainwindow/input_form_model.h"
#include "support/sim_world.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace qb::testing {

// A user list on the portable list model, the size of the main window's first list.
class ModelList final : public mainwindow::UserList {
public:
    void BeginUpdate() override {}
    void EndUpdate() override {}
    void AddItem(const std::wstring& userName, std::int32_t userPriv, bool userRestricted,
                 bool userLocked, std::int32_t userTag) override {
        model.AddItem(userName, userPriv, userRestricted, userLocked, userTag);
    }
    void selectItem(std::int32_t itmNum, bool byTag) override { model.selectItem(itmNum, byTag); }
    void HideSelection() override { model.HideSelection(); }
    std::int32_t SelectedItem() const override { return model.SelectedItem(); }
    std::int32_t IndexOfTag(std::int32_t tag) const override { return model.IndexOfTag(tag); }
    void SetAccountLocked(bool b, std::int32_t itmNum) override {
        model.SetAccountLocked(b, itmNum);
    }
    void SetHasTimeRestrictions(bool b, std::int32_t itmNum) override {
        model.SetHasTimeRestrictions(b, itmNum);
    }
    void SetNewUserName(const std::wstring& name, std::int32_t itmNum) override {
        model.SetNewUserName(name, itmNum);
    }
    void SetNewUserType(std::int32_t t, std::int32_t itmNum) override {
        model.SetNewUserType(t, itmNum);
    }
    void Sort(std::int32_t sortColumn, bool sortForwards) override {
        model.Sort(sortColumn, sortForwards);
    }
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru) override {
        model.SetFont(fontName, fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru);
    }

    // The rows' names, top to bottom.
    std::vector<std::wstring> RowNames() const {
        std::vector<std::wstring> names;
        for (int i = 0; i <= model.LastIndex(); ++i)
            names.emplace_back(model.Entry(i).userName);
        return names;
    }
    int Index(const std::wstring& name) const {
        const auto names = RowNames();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }
    const controls::ListEntry& Row(const std::wstring& name) const {
        return model.Entry(Index(name));
    }
    const controls::ListEntry& Selected() const { return model.Entry(model.SelectedItem()); }

    controls::CustomListModel model{controls::ListMetrics{}, 5085, 3570};
};

class FakeTimer final : public mainwindow::Timer {
public:
    void SetEnabled(bool e) override { enabled = e; }
    bool enabled = false;
};

// English names and a day/month/year date, so that the texts are predictable.
class FakeLocale final : public platform::LocaleApi {
public:
    std::wstring AbbreviatedDayName(int day) override {
        static const wchar_t* names[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
        return day >= 1 && day <= 7 ? names[day - 1] : L"";
    }
    std::wstring DayName(int day) override {
        static const wchar_t* names[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                         L"Thursday", L"Friday", L"Saturday"};
        return day >= 1 && day <= 7 ? names[day - 1] : L"";
    }
    std::wstring ShortDate(const platform::SystemTime& t) override {
        wchar_t buf[32];
        std::swprintf(buf, 32, L"%02u/%02u/%04u", t.day, t.month, t.year);
        return buf;
    }
    std::wstring LongTime(const platform::SystemTime& t) override {
        wchar_t buf[32];
        std::swprintf(buf, 32, L"%02u:%02u:%02u", t.hour, t.minute, t.second);
        return buf;
    }
};

// The window's model over a machine, its lists telling it of clicks as the window does.
struct FormWorld {
    explicit FormWorld(std::unique_ptr<simulated::SimulatedMachine> m =
                           std::make_unique<simulated::SimulatedMachine>())
        : w(std::move(m)) {
        list1.model.ItemClick = [this](std::int32_t tag) { model.CustomList1ItemClick(tag); };
        list2.model.ItemClick = [this](std::int32_t tag) { model.CustomList2ItemClick(tag); };
    }
    // Reads the accounts and loads the window, as the program starts.
    void Open() {
        w.Load();
        w.g.BootTime = DateTime::FromCivil({2026, 12, 6, 8, 30, 0});
        model.Load(mainwindow::LoadContext{});
    }
    // The middle of grid cell (column, row), in twips, at the designed cell size.
    static int X(int column) { return column * 660 + 330; }
    static int Y(int row) { return row * 240 + 120; }

    SimWorld w;
    ModelList list1, list2;
    FakeLocale locale;
    FakeTimer timer;
    mainwindow::InputFormModel model{
        w.g,    list1, list2,
        locale, timer, mainwindow::AppVersion{L"Whitfield Software", L"Quill Bay", 1, 0, 0}};
};

} // namespace qb::testing
