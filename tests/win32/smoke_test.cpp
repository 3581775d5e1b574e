#include <windows.h>
#include <gtest/gtest.h>
TEST(Smoke, Window) {
    HWND w = CreateWindowExW(0, L"STATIC", L"x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    DestroyWindow(w);
}
