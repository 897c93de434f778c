// A long session of the real program: a thousand inspections, plugin switches
// and file selections must leave its GDI and USER objects and its private
// memory where they were. The probe plugin (tab 0) reports the objects from
// inside the process; the private bytes are read from outside too.
#include "e2e/E2EFixture.h"

#include <cstdio>
#include <cstdlib>

#include <psapi.h>

namespace e2e {
namespace {

constexpr int kRounds = 1000;
constexpr int kWarmUpRounds = 100;
constexpr UINT kFileSelected = WM_USER + 100;  // the file list's message to the frame

// What the process holds at one moment.
struct Holdings {
    long long gdi = -1;
    long long user = -1;
    long long privateInside = -1;   // the probe's field
    long long privateOutside = -1;  // read from this process
};

// The process's private bytes, read from outside. Wine answers a
// PrivateUsage of 0; the committed private regions are the same quantity.
long long PrivateBytesOf(DWORD pid) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return -1;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    long long bytes = 0;
    if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        bytes = static_cast<long long>(counters.PrivateUsage);
    if (bytes == 0) {
        MEMORY_BASIC_INFORMATION region{};
        for (const char* at = nullptr; ::VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;) {
            if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
            const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
            if (next <= at) break;
            at = next;
        }
    }
    ::CloseHandle(process);
    return bytes;
}

class Soak : public E2ETest {
protected:
    void SetUp() override {
        E2ETest::SetUp();
        for (int i = 0; i < kFiles; ++i)
            files.push_back(dir.Write("file" + std::to_string(i) + ".txt", std::string(100 + i * 700, 'x')));
        // Both samples: each inspection loads and releases its plugin, so a
        // plugin that keeps memory per load shows here.
        ASSERT_TRUE(InstallHost({Built("probe"), Built("fileinfo"), Built("textinfo")}));
        ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", files)}));
        ASSERT_EQ(app.FieldNames(), (std::vector<std::string>{"GDI objects", "USER objects", "Private bytes"}));
    }

    // The frame inspects the selected file again with the current plugin.
    bool Inspect() {
        DWORD_PTR result = 0;
        return ::SendMessageTimeoutA(app.Main(), kFileSelected, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) != 0;
    }
    // Back and forth over the three tabs, one step each call.
    bool SwitchPlugin() {
        const int step = (m_tab == 0 || (m_tab == 1 && m_tabRising)) ? 1 : -1;
        m_tabRising = step > 0;
        if (!app.PressKey(step > 0 ? VK_RIGHT : VK_LEFT)) return false;
        m_tab += step;
        return true;
    }
    // Down and up the list, one step each call.
    bool SelectFile() {
        if (m_file == 0) m_fileRising = true;
        if (m_file == kFiles - 1) m_fileRising = false;
        if (!app.PressKey(m_fileRising ? VK_DOWN : VK_UP)) return false;
        m_file += m_fileRising ? 1 : -1;
        return true;
    }
    bool Round() { return Inspect() && SwitchPlugin() && SelectFile(); }

    bool GoToTab(int tab) {
        for (; m_tab > tab; --m_tab)
            if (!app.PressKey(VK_LEFT)) return false;
        for (; m_tab < tab; ++m_tab)
            if (!app.PressKey(VK_RIGHT)) return false;
        return true;
    }

    // Read through the probe: the current tab goes to 0 and comes back.
    Holdings Measure() {
        Holdings now;
        const int tab = m_tab;
        if (!GoToTab(0)) return now;
        const auto rows = app.Rows();
        if (rows.size() == 3) {
            now.gdi = std::atoll(rows[0][3].c_str());
            now.user = std::atoll(rows[1][3].c_str());
            now.privateInside = std::atoll(rows[2][3].c_str());
        }
        now.privateOutside = PrivateBytesOf(app.ProcessId());
        GoToTab(tab);
        return now;
    }

    static constexpr int kFiles = 5;
    std::vector<std::string> files;
    int m_tab = 0;
    bool m_tabRising = true;
    int m_file = 0;
    bool m_fileRising = true;
};

TEST_F(Soak, AThousandInspectionsSwitchesAndSelectionsLeaveObjectsAndMemoryWhereTheyWere) {
    // Caches, the field list and the heap reach their working size first.
    for (int i = 0; i < kWarmUpRounds; ++i) ASSERT_TRUE(Round()) << "warm-up round " << i;
    const Holdings before = Measure();
    ASSERT_GT(before.gdi, 0);
    ASSERT_GT(before.user, 0);
    ASSERT_GT(before.privateInside, 0);
    ASSERT_GT(before.privateOutside, 0);

    const DWORD start = ::GetTickCount();
    for (int i = 0; i < kRounds; ++i) {
        ASSERT_TRUE(Round()) << "round " << i;
        if (i % 100 == 99) {
            ASSERT_TRUE(app.Dialogs().empty()) << "round " << i;
        }
    }
    const DWORD took = ::GetTickCount() - start;
    const Holdings after = Measure();
    std::printf("[ soak     ] %d rounds in %lu ms; GDI %lld -> %lld, USER %lld -> %lld, private bytes %lld -> %lld "
                "(inside), %lld -> %lld (outside)\n",
                kRounds, static_cast<unsigned long>(took), before.gdi, after.gdi, before.user, after.user,
                before.privateInside, after.privateInside, before.privateOutside, after.privateOutside);

    // A handle a round would be a thousand; a few bytes a round, many kilobytes.
    EXPECT_LE(after.gdi, before.gdi + 4);
    EXPECT_LE(after.user, before.user + 2);
    EXPECT_LE(after.privateInside, before.privateInside + 1024 * 1024);
    EXPECT_LE(after.privateOutside, before.privateOutside + 1024 * 1024);

    // Still inspecting: the last file with the plugin of the last step.
    EXPECT_EQ(app.Title(), "Probelet - " + files[static_cast<size_t>(m_file)]);
    EXPECT_EQ(app.SelectedFile(), m_file);
    ASSERT_TRUE(GoToTab(1));
    ASSERT_FALSE(app.Rows().empty());
    EXPECT_EQ(app.Rows()[0][0], "Size");
    EXPECT_EQ(app.Rows()[0][3], std::to_string(100 + m_file * 700));
    ExpectCleanExit();
}

}  // namespace
}  // namespace e2e
