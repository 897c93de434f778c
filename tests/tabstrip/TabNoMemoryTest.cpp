// Memory exhaustion inside the tab operations. This program replaces the
// global allocator so that one chosen allocation fails.
#include "framework/Window.h"
#include "tabstrip/CustomTabCtrl.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

long g_failIn = -1;  // allocations to let through before the one that fails

}  // namespace

void* operator new(std::size_t n) {
    if (g_failIn >= 0 && g_failIn-- == 0) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Fails the allocation after `allowed` successful ones, once, within a scope.
struct FailAllocation {
    explicit FailAllocation(long allowed) { g_failIn = allowed; }
    ~FailAllocation() { g_failIn = -1; }
};

// A parent that records notifications without allocating.
class QuietParent : public fw::Window {
public:
    QuietParent() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "ProbeletQuietParent";
        fw::RegisterWindowClass(wc);
        CreateEx(0, "ProbeletQuietParent", "", WS_OVERLAPPEDWINDOW, RECT{0, 0, 600, 100}, nullptr, 0);
    }
    std::array<NMTABSTRIP, 32> notes{};
    size_t count = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
        if (msg == WM_NOTIFY && count < notes.size()) std::memcpy(&notes[count++], reinterpret_cast<void*>(l), sizeof(NMTABSTRIP));
        return fw::Window::WindowProc(msg, w, l);
    }
};

struct Snapshot {
    std::vector<std::string> labels;
    int selected;
    bool operator==(const Snapshot& o) const { return labels == o.labels && selected == o.selected; }
};

Snapshot Take(const CCustomTabCtrl& tabs) {
    Snapshot s{{}, tabs.GetSelectedTab()};
    for (int i = 0; i < tabs.GetTabCount(); ++i) s.labels.push_back(tabs.GetTabEntry(i)->m_label);
    return s;
}

TEST(TabStripNoMemory, InsertFailsCleanlyAtEveryAllocation) {
    QuietParent parent;
    CCustomTabCtrl tabs;
    ASSERT_TRUE(tabs.Create(WS_CHILD, RECT{0, 0, 300, 20}, parent, 2));
    ASSERT_EQ(tabs.InsertTab(0, "First", 1), 0);
    ASSERT_EQ(tabs.InsertTab(1, "Second", 2), 1);
    ASSERT_EQ(tabs.SelectTab(1), TSE_OK);
    const Snapshot before = Take(tabs);
    const std::string label = "A label of twenty-two";  // longer than any short-string buffer
    int failures = 0;
    int r = TSE_NOMEMORY;
    for (long k = 0; k < 50 && r == TSE_NOMEMORY; ++k) {
        {
            FailAllocation fail(k);
            r = tabs.InsertTab(1, label, 3);
        }
        if (r == TSE_NOMEMORY) {
            ++failures;
            EXPECT_TRUE(Take(tabs) == before) << "after failing allocation " << k;
        }
    }
    EXPECT_GE(failures, 2);  // the record and the array's growth
    EXPECT_EQ(r, 1);
    EXPECT_EQ(tabs.GetSelectedTab(), 2);
    EXPECT_EQ(parent.count, 0u);
}

TEST(TabStripNoMemory, UserDuplicationReportsWhereMemoryRanOut) {
    QuietParent parent;
    CCustomTabCtrl tabs;
    ASSERT_TRUE(tabs.Create(WS_CHILD | TSS_DUPLICATE, RECT{0, 0, 300, 20}, parent, 2));
    ASSERT_EQ(tabs.InsertTab(0, "Other", 0), 0);
    ASSERT_EQ(tabs.InsertTab(1, "Content plugin xy", 7), 1);
    const Snapshot before = Take(tabs);
    bool whileNaming = false, whileInserting = false;
    int r = TSE_NOMEMORY;
    for (long k = 0; k < 50 && r == TSE_NOMEMORY; ++k) {
        parent.count = 0;
        {
            FailAllocation fail(k);
            r = tabs.DuplicateTab(1, 2, TRUE);
        }
        if (r != TSE_NOMEMORY) break;
        EXPECT_TRUE(Take(tabs) == before) << k;
        ASSERT_EQ(parent.count, 1u) << k;
        EXPECT_EQ(parent.notes[0].hdr.code, TSN_NOMEMORY);
        if (parent.notes[0].iTab == 1) {
            whileNaming = true;  // the source tab
            EXPECT_STREQ(parent.notes[0].label, "Content plugin xy");
        } else {
            EXPECT_EQ(parent.notes[0].iTab, -1);  // the copy could not be inserted
            EXPECT_EQ(parent.notes[0].label[0], 0);
            whileInserting = true;
        }
    }
    EXPECT_TRUE(whileNaming);
    EXPECT_TRUE(whileInserting);
    ASSERT_EQ(r, 2);
    EXPECT_EQ(tabs.GetTabEntry(2)->m_label, "Content plugin xy (2)");
    ASSERT_EQ(parent.count, 1u);
    EXPECT_EQ(parent.notes[0].hdr.code, TSN_DUPLICATED);
}

TEST(TabStripNoMemory, ProgramDuplicationFailsQuietly) {
    QuietParent parent;
    CCustomTabCtrl tabs;
    ASSERT_TRUE(tabs.Create(WS_CHILD, RECT{0, 0, 300, 20}, parent, 2));
    ASSERT_EQ(tabs.InsertTab(0, "Content plugin xy", 7), 0);
    int r;
    {
        FailAllocation fail(0);
        r = tabs.DuplicateTab(0, 1, FALSE);
    }
    EXPECT_EQ(r, TSE_NOMEMORY);
    EXPECT_EQ(tabs.GetTabCount(), 1);
    EXPECT_EQ(parent.count, 0u);
}

TEST(TabStripNoMemory, TipTextThatCannotBeKeptIsRefused) {
    QuietParent parent;
    CCustomTabCtrl tabs;
    ASSERT_TRUE(tabs.Create(WS_CHILD | TSS_TIPS, RECT{0, 0, 300, 20}, parent, 2));
    ASSERT_EQ(tabs.InsertTab(0, "A", 0), 0);
    ASSERT_EQ(tabs.SetTabTip(0, "C:\\old\\path\\to\\plugin.wdx"), TSE_OK);
    const std::string text = "C:\\a\\much\\longer\\path\\to\\another\\plugin.wdx";
    int r;
    {
        FailAllocation fail(0);
        r = tabs.SetTabTip(0, text);
    }
    EXPECT_EQ(r, TSE_NOMEMORY);
    EXPECT_EQ(tabs.GetTabEntry(0)->m_tip, "C:\\old\\path\\to\\plugin.wdx");
}

}  // namespace
