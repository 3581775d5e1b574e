#pragma once
// The program's main window, made in the test's own process on a simulated machine whose
// logged-on user is anna, an administrator: for the Wine tests of the window, its layout
// and the dialogs it opens. Windows only.

#include "mainwindow/control_ids.h"
#include "mainwindow/input_form_win32.h"
#include "platform/win32/locale_win32.h"
#include "support/sim_world.h"
#include "support/windows_win32.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qb::mainwindow {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        w.machine->AddAccount({.name = L"anna", .groups = {L"Administrators"}});
        w.machine->SetLoggedOnUser(L"anna");
    }
    ~MainWindowTest() override {
        form.reset();
        testing::DrainMessages();
    }
    // Reads the accounts and shows the window, as the program starts.
    void Open() {
        w.Load();
        form = InputForm::Create(w.g, locale, AppVersion{L"Inkwell", L"Quill Bay", 1, 0, 0});
        ASSERT_NE(form, nullptr);
        form->Show(SW_SHOWNORMAL);
        testing::DrainMessages();
    }
    HWND Ctl(int id) const { return form->ControlWindow(id); }
    std::wstring TextOf(int id) const { return testing::WindowText(Ctl(id)); }
    void Click(int id) const { SendMessageW(Ctl(id), BM_CLICK, 0, 0); }
    // A key pressed and let go, or held and let go, as the user types it.
    void Press(UINT key) const { testing::Press(form->Window(), key); }
    void Key(UINT key, bool down) const { testing::Key(form->Window(), key, down); }
    int FocusId() const { return GetDlgCtrlID(GetFocus()); }
    SIZE ClientSize() const {
        RECT r{};
        GetClientRect(form->Window(), &r);
        return SIZE{r.right, r.bottom};
    }

    controls::ComApartment com; // screen readers reach the window's parts through COM
    testing::SimWorld w;
    win32::Win32Locale locale;
    std::unique_ptr<InputForm> form;
};

} // namespace qb::mainwindow
