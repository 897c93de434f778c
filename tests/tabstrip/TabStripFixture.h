// A tab strip in a real parent window, with the parent's notifications
// decoded as NMTABSTRIP records.
#pragma once

#include "plugin/ProcessCounts.h"
#include "support/TestWindows.h"
#include "tabstrip/CustomTabCtrl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Records the messages a window receives, ahead of its own procedure, for as
// long as it lives. Spies on one window end in the reverse order of their start.
class MessageSpy {
public:
    struct Message {
        UINT msg;
        WPARAM wParam;
    };
    explicit MessageSpy(HWND hwnd) : m_hwnd(hwnd) {
        Spies()[hwnd] = this;
        m_prev = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~MessageSpy() {
        if (::IsWindow(m_hwnd)) ::SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prev));
        Spies().erase(m_hwnd);
    }
    MessageSpy(const MessageSpy&) = delete;
    MessageSpy& operator=(const MessageSpy&) = delete;

    int Count(UINT msg) const {
        int n = 0;
        for (const Message& m : seen) n += m.msg == msg ? 1 : 0;
        return n;
    }
    std::vector<Message> seen;

private:
    static std::map<HWND, MessageSpy*>& Spies() {
        static std::map<HWND, MessageSpy*> spies;
        return spies;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        MessageSpy* spy = Spies()[hwnd];
        spy->seen.push_back({msg, wParam});
        return ::CallWindowProcA(spy->m_prev, hwnd, msg, wParam, lParam);
    }
    HWND m_hwnd;
    WNDPROC m_prev = nullptr;
};

// Whether part of the window waits to be painted.
inline bool PaintPending(HWND hwnd) { return ::GetUpdateRect(hwnd, nullptr, FALSE) != FALSE; }

// Paints what is pending now; true when that paint erased the background
// (the invalidation asked for erasing).
inline bool PaintErases(HWND hwnd) {
    MessageSpy spy(hwnd);
    ::UpdateWindow(hwnd);
    return spy.Count(WM_ERASEBKGND) > 0;
}

// Live GDI and USER objects of this process.
inline DWORD GdiCount() { return static_cast<DWORD>(counts::GdiObjects()); }
inline DWORD UserCount() { return static_cast<DWORD>(counts::UserObjects()); }

class TabStripTest : public ::testing::Test {
protected:
    static constexpr UINT kId = 2;

    // A control of the given client size at the parent's origin.
    void Make(DWORD style, int width, int height = 20) {
        parent = std::make_unique<testsupport::RecordingParent>(800, 200);
        parent->notifySize = sizeof(NMTABSTRIP);
        tabs = std::make_unique<CCustomTabCtrl>();
        TabStripArgs args;
        args.parent = *parent;
        args.id = kId;
        args.tabStyle = style;
        args.rect = {0, 0, width, height};
        ASSERT_TRUE(tabs->Create(args));
    }
    void TearDown() override {
        tabs.reset();
        parent.reset();
    }

    void Add(const std::vector<std::string>& labels) {
        for (const auto& l : labels) ASSERT_GE(tabs->InsertTab(tabs->GetTabCount(), l, 0), 0) << l;
    }
    // n tabs "Tab 0", "Tab 1", ...
    void AddNumbered(int n) {
        for (int i = 0; i < n; ++i) ASSERT_GE(tabs->InsertTab(i, "Tab " + std::to_string(i), i), 0);
    }

    // The width the control measures for a label (bold font, its DC).
    int LabelWidth(const std::string& label) const {
        HDC dc = ::GetDC(*tabs);
        HGDIOBJ old = ::SelectObject(dc, tabs->GetLabelFontBold());
        RECT rc{};
        ::DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &rc, DT_CALCRECT);
        ::SelectObject(dc, old);
        ::ReleaseDC(*tabs, dc);
        return rc.right - rc.left;
    }

    // A label of the given measured width, built from two characters.
    std::string LabelOfWidth(int width) const {
        for (char a : {'l', 'i', 'I', 'j', 'f', 't', 'r', 'x', 'n', 'o', 'W', 'M'})
            for (char b : {'l', 'i', '.', 'x', 'n', 'o', 'W', 'M', 'a', 'e'})
                for (size_t na = 1; na <= 20; ++na)
                    for (size_t nb = 0; na + nb <= 29; ++nb) {
                        std::string s(na, a);
                        s.append(nb, b);
                        if (LabelWidth(s) == width) return s;
                    }
        return std::string();
    }

    std::vector<NMTABSTRIP> Notes() const {
        std::vector<NMTABSTRIP> out;
        for (const auto& n : parent->notifications) {
            NMTABSTRIP nm;
            std::memcpy(&nm, n.bytes.data(), sizeof nm);
            out.push_back(nm);
        }
        return out;
    }

    const CTabEntry& Tab(int i) const { return *tabs->GetTabEntry(i); }
    std::vector<std::string> Labels() const {
        std::vector<std::string> v;
        for (int i = 0; i < tabs->GetTabCount(); ++i) v.push_back(Tab(i).m_label);
        return v;
    }

    std::unique_ptr<testsupport::RecordingParent> parent;
    std::unique_ptr<CCustomTabCtrl> tabs;
};

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
