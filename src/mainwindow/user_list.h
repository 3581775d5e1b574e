#pragma once
// What the main window asks of a user list and of its one timer. The window's model talks
// to these; the Win32 window hands it the real list controls and timer, tests hand it
// lists on the portable list model.

#include <cstdint>
#include <string>

namespace qb::mainwindow {

class UserList {
public:
    virtual ~UserList() = default;

    // Rows added between BeginUpdate and EndUpdate are shown at EndUpdate, all at once.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    // Room for `rows` rows in all, about to be added; a list may do without it.
    virtual void Reserve(std::int32_t rows) { (void)rows; }
    virtual void AddItem(const std::wstring& userName, std::int32_t userPriv, bool userRestricted,
                         bool userLocked, std::int32_t userTag) = 0;
    virtual void selectItem(std::int32_t itmNum, bool byTag) = 0;
    virtual void HideSelection() = 0;
    virtual std::int32_t SelectedItem() const = 0;
    // The row that carries `tag`, or -1.
    virtual std::int32_t IndexOfTag(std::int32_t tag) const = 0;
    // A row's looks: the selected row's (itmNum -1, in its selected look) or row itmNum's.
    virtual void SetAccountLocked(bool b, std::int32_t itmNum) = 0;
    virtual void SetHasTimeRestrictions(bool b, std::int32_t itmNum) = 0;
    virtual void SetNewUserName(const std::wstring& name, std::int32_t itmNum) = 0;
    virtual void SetNewUserType(std::int32_t t, std::int32_t itmNum) = 0;
    virtual void Sort(std::int32_t sortColumn, bool sortForwards) = 0;
    virtual void SetFont(const std::wstring& fontName, float fontSize, bool fontBold,
                         bool fontItalic, bool fontUnderline, bool fontStrikethru) = 0;
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetEnabled(bool enabled) = 0;
};

} // namespace qb::mainwindow
