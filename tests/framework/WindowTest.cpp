#include "framework/ListCtrl.h"
#include "framework/Window.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char kClass[] = "ProbeletWindowTestClass";

void RegisterPlainClass() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;  // the framework subclasses at creation
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    ASSERT_TRUE(fw::RegisterWindowClass(wc));
}

class Recorder : public fw::Window {
public:
    std::vector<UINT> seen;
    bool* destroyedFlag = nullptr;

protected:
    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
        seen.push_back(msg);
        return fw::Window::WindowProc(msg, w, l);
    }
    void PostNcDestroy() override {
        if (destroyedFlag) *destroyedFlag = true;
    }
};

bool Contains(const std::vector<UINT>& v, UINT m) {
    for (UINT x : v)
        if (x == m) return true;
    return false;
}

TEST(Window, SeesCreationMessagesOfAClassWithDefaultProcedure) {
    RegisterPlainClass();
    Recorder w;
    bool destroyed = false;
    w.destroyedFlag = &destroyed;
    ASSERT_TRUE(w.CreateEx(0, kClass, "t", WS_OVERLAPPED, RECT{0, 0, 100, 100}, nullptr, 0));
    EXPECT_EQ(fw::Window::FromHandle(w.GetHwnd()), &w);
    EXPECT_TRUE(Contains(w.seen, WM_NCCREATE));
    EXPECT_TRUE(Contains(w.seen, WM_CREATE));
    HWND hwnd = w.GetHwnd();
    w.DestroyWindow();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(w.IsCreated());
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(Window, DestroyingTheObjectTakesItsWindowDown) {
    RegisterPlainClass();
    HWND hwnd;
    {
        Recorder w;
        ASSERT_TRUE(w.CreateEx(0, kClass, "t", WS_OVERLAPPED, RECT{0, 0, 10, 10}, nullptr, 0));
        hwnd = w.GetHwnd();
    }
    EXPECT_FALSE(::IsWindow(hwnd));
}

class SelfNotifyingList : public fw::ListCtrl {
public:
    int reflected = 0;

protected:
    bool OnReflectedNotify(NMHDR* nm, LRESULT* result) override {
        if (nm->code != NM_CLICK) return false;
        ++reflected;
        *result = 0;
        return true;
    }
};

TEST(Window, ControlNotificationsAreOfferedToTheControlFirst) {
    testsupport::RecordingParent parent;
    ASSERT_TRUE(parent.IsCreated());
    SelfNotifyingList list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 200, 100}, parent, 7));
    NMHDR click{list.GetHwnd(), 7, static_cast<UINT>(NM_CLICK)};
    ::SendMessageA(parent, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&click));
    NMHDR other{list.GetHwnd(), 7, static_cast<UINT>(NM_RCLICK)};
    ::SendMessageA(parent, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(list.reflected, 1);
    // The parent's own table still sees what the control did not take... and,
    // in this test parent, records every WM_NOTIFY before reflection.
    EXPECT_EQ(parent.notifications.size(), 2u);
}

TEST(ListCtrl, ItemTextsOfAnyLengthComeBackWhole) {
    testsupport::RecordingParent parent;
    fw::ListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 200, 100}, parent, 1));
    list.InsertColumn(0, "A");
    list.InsertColumn(1, "B");
    std::string longText(3000, 'x');
    EXPECT_EQ(list.InsertItem(0, "first"), 0);
    EXPECT_TRUE(list.SetItemText(0, 1, longText.c_str()));
    EXPECT_EQ(list.GetItemText(0, 0), "first");
    EXPECT_EQ(list.GetItemText(0, 1), longText);
    EXPECT_EQ(list.GetItemCount(), 1);
}

}  // namespace
