// Bad list files through the real file list: every line an item, whole; the
// selected path cut to 259 characters; nothing else lost.
#include "app/FileList.h"
#include "framework/AppGlobals.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

class MainWindowStandIn : public testsupport::RecordingParent {
public:
    int fileSelected = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_FILESELECTED) {
            ++fileSelected;
            return 0;
        }
        return RecordingParent::WindowProc(msg, wParam, lParam);
    }
};

std::string Lines(size_t count, const std::function<std::string(size_t)>& line, const char* end = "\r\n") {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += line(i) + end;
    return text;
}

std::string Path(size_t i) { return "C:\\files\\f" + std::to_string(i) + ".txt"; }

// A path of exactly n characters.
std::string PathOfLength(size_t n) { return "C:\\" + std::string(n - 7, 'p') + ".txt"; }

struct ListFileCase {
    const char* name;
    std::string content;
    std::vector<std::string> items;  // what each line becomes, in order
};

std::vector<ListFileCase> Cases() {
    std::vector<ListFileCase> cases;
    cases.push_back({"empty", "", {}});
    cases.push_back({"only line ends", "\r\n\n\r\n", {"", "", ""}});
    // A list-view item holds no zero byte: a line's text ends at its first.
    // A lone CR is text; Ctrl+Z ends the file as text mode reads it.
    const char binary[] = "MZ\x90\0\x03\r\n\xFF\xFE\x01\x02\rX\n\0\0\0\nlast\x80\x1A" "after\r\n";
    cases.push_back({"binary", std::string(binary, sizeof binary - 1), {"MZ\x90", "\xFF\xFE\x01\x02\rX", "", "last\x80"}});
    {
        std::vector<std::string> items;
        for (size_t i = 0; i < 100000; ++i) items.push_back(Path(i));
        cases.push_back({"100,000 lines", Lines(items.size(), Path), items});
    }
    {
        const std::string mega = "C:\\" + std::string(1 << 20, 'm');
        cases.push_back({"a line of 1 MB", mega + "\r\nC:\\b.txt", {mega, "C:\\b.txt"}});
    }
    {
        std::vector<std::string> items;
        for (size_t n : {258, 259, 260, 261, 1000, 70000}) items.push_back(PathOfLength(n));
        std::string content;
        for (const std::string& item : items) content += item + "\n";
        cases.push_back({"lines longer than 259 characters", content, items});
    }
    return cases;
}

class ListFileSweep : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(main.IsCreated());
        fw::SetMainWindow(main.GetHwnd());
        ASSERT_TRUE(list.Create(testsupport::PaneArgs(main.GetHwnd())));
    }
    void TearDown() override { fw::SetMainWindow(nullptr); }

    // Loads the list file and checks every item, and for the items that can be
    // checked one by one, the path that selecting each hands on.
    void Check(const std::string& content, const std::vector<std::string>& items, const char* name) {
        SCOPED_TRACE(name);
        list.DeleteAllItems();
        main.fileSelected = 0;
        list.LoadFileList(dir.Write("list.txt", content).c_str());
        ASSERT_EQ(list.GetItemCount(), static_cast<int>(items.size()));
        for (size_t i = 0; i < items.size(); ++i)
            if (list.GetItemText(static_cast<int>(i), 0) != items[i])
                FAIL() << "item " << i << " differs (" << list.GetItemText(static_cast<int>(i), 0).size() << " vs "
                       << items[i].size() << " characters)";
        EXPECT_EQ(list.GetSelectedIndex(), items.empty() ? -1 : 0);
        EXPECT_EQ(main.fileSelected, items.empty() ? 1 : 2);
        const size_t selectable = items.size() <= 20 ? items.size() : 1;
        for (size_t i = 0; i < selectable; ++i) {
            list.SelectItem(static_cast<int>(i));
            char path[MAX_PATH];
            list.GetSelectedPath(path);
            EXPECT_EQ(std::string(path), items[i].substr(0, MAX_PATH - 1)) << "item " << i;
        }
    }

    MainWindowStandIn main;
    CFileList list;
    testsupport::TempDir dir;
};

TEST_F(ListFileSweep, EveryLineBecomesAnItemAndTheSelectedPathIsCutTo259) {
    for (const ListFileCase& c : Cases()) Check(c.content, c.items, c.name);
}

// Names in the ANSI code page, of real files: each reaches the file it names.
TEST_F(ListFileSweep, NonAsciiNamesInTheAnsiCodePageNameTheirFiles) {
    CPINFO info;
    ASSERT_TRUE(::GetCPInfo(CP_ACP, &info));
    if (info.MaxCharSize != 1) GTEST_SKIP() << "a multibyte ANSI code page";
    std::vector<std::string> items;
    std::string content;
    for (int b = 0xA0; b <= 0xFF; b += 8) {
        std::string name = "n";
        for (int c = b; c < b + 8 && c <= 0xFF; ++c) name += static_cast<char>(c);
        // Characters the file system refuses (none in the usual code pages) are left out.
        std::string path = dir.Path() + "\\" + name + ".txt";
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        ::CloseHandle(h);
        items.push_back(path);
        content += path + "\r\n";
    }
    ASSERT_GE(items.size(), 10u);
    Check(content, items, "ANSI names");
    for (size_t i = 0; i < items.size(); ++i) {
        list.SelectItem(static_cast<int>(i));
        char path[MAX_PATH];
        list.GetSelectedPath(path);
        EXPECT_NE(::GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
    }
}

}  // namespace
