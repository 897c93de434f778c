// The text sample plugin on real files, through the inspection run and, for
// its cache, directly.
#include "InspectionFixture.h"

#include "framework/Handles.h"
#include "plugin/PluginInterface.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

std::string TextInfoPath() {
    return testsupport::ExeDir() + "\\plugins\\textinfo" + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
}

class TextInfoPlugin : public InspectionFixture {
protected:
    // Field name -> value text.
    std::map<std::string, std::string> Inspect(const std::string& file) {
        std::strcpy(state.m_szFile, file.c_str());
        Run(TextInfoPath());
        EXPECT_TRUE(boxes.Texts().empty());
        std::map<std::string, std::string> byName;
        for (const Row& r : Rows()) byName[r[0]] = r[3];
        return byName;
    }
    testsupport::TempDir dir;
};

TEST_F(TextInfoPlugin, ListsItsFieldsWithTheirTypes) {
    Run(TextInfoPath());
    std::vector<std::pair<std::string, std::string>> fields;
    for (const Row& r : Rows()) fields.emplace_back(r[0], r[1]);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Lines", "Numeric 32"},        {"Words", "Numeric 64"},
        {"Characters", "Numeric 64"},   {"Line endings", "Choice"},
        {"Byte order mark", "Bool"},    {"Encoding", "String"},
        {"Average line length", "Float"}, {"First line", "String"},
    };
    EXPECT_EQ(fields, expected);
}

TEST_F(TextInfoPlugin, CountsLinesWordsAndCharactersOfPlainText) {
    auto v = Inspect(dir.Write("a.txt", "first  line here\r\nsecond\r\n\r\nlast without end"));
    EXPECT_EQ(v["Lines"], "4");
    EXPECT_EQ(v["Words"], "7");
    EXPECT_EQ(v["Characters"], "44");
    EXPECT_EQ(v["Line endings"], "CRLF");
    EXPECT_EQ(v["Byte order mark"], "No");
    EXPECT_EQ(v["Encoding"], "ASCII");
    EXPECT_EQ(v["Average line length"], "9.500000");  // 38 characters on 4 lines
    EXPECT_EQ(v["First line"], "first  line here");
}

TEST_F(TextInfoPlugin, TellsLineEndingsApart) {
    EXPECT_EQ(Inspect(dir.Write("lf.txt", "a\nb\n"))["Line endings"], "LF");
    EXPECT_EQ(Inspect(dir.Write("cr.txt", "a\rb\r"))["Line endings"], "CR");
    EXPECT_EQ(Inspect(dir.Write("mixed.txt", "a\r\nb\nc"))["Line endings"], "Mixed");
    EXPECT_EQ(Inspect(dir.Write("none.txt", "one line"))["Line endings"], "None");
    // A CR that ends the file still ends its line.
    auto v = Inspect(dir.Write("trailing-cr.txt", "a\r"));
    EXPECT_EQ(v["Lines"], "1");
    EXPECT_EQ(v["Line endings"], "CR");
}

TEST_F(TextInfoPlugin, Utf8CountsCharactersAndTheMarkIsNoText) {
    // "Grüße" is 5 characters in 7 bytes.
    auto v = Inspect(dir.Write("bom.txt", "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e\n"));
    EXPECT_EQ(v["Byte order mark"], "Yes");
    EXPECT_EQ(v["Encoding"], "UTF-8 with BOM");
    EXPECT_EQ(v["Characters"], "6");
    EXPECT_EQ(v["First line"], "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(Inspect(dir.Write("utf8.txt", "\xC3\xA9t\xC3\xA9"))["Encoding"], "UTF-8");
    // A lone continuation byte or a cut sequence is no UTF-8.
    EXPECT_EQ(Inspect(dir.Write("ansi.txt", "caf\xE9"))["Encoding"], "ANSI");
    EXPECT_EQ(Inspect(dir.Write("cut.txt", "ab\xE2\x82"))["Encoding"], "ANSI");
}

TEST_F(TextInfoPlugin, BinaryAndUtf16FilesOnlyNameTheirEncoding) {
    auto bin = Inspect(dir.Write("x.bin", std::string("MZ\0\0\x01\x02", 6)));
    EXPECT_EQ(bin["Encoding"], "Binary");
    EXPECT_EQ(bin["Lines"], "<Empty>");
    EXPECT_EQ(bin["First line"], "<Empty>");
    auto wide = Inspect(dir.Write("w.txt", std::string("\xFF\xFE" "a\0\n\0", 6)));
    EXPECT_EQ(wide["Encoding"], "UTF-16");
    EXPECT_EQ(wide["Byte order mark"], "Yes");
    EXPECT_EQ(wide["Words"], "<Empty>");
}

TEST_F(TextInfoPlugin, EmptyMissingAndDirectoryGiveNoCounts) {
    auto empty = Inspect(dir.Write("empty.txt", ""));
    EXPECT_EQ(empty["Lines"], "0");
    EXPECT_EQ(empty["Line endings"], "None");
    EXPECT_EQ(empty["Average line length"], "<Empty>");
    EXPECT_EQ(empty["First line"], "<Empty>");
    EXPECT_EQ(Inspect(dir.Path() + "\\missing.txt")["Lines"], "<Error>");
    EXPECT_EQ(Inspect(dir.Path())["Encoding"], "<Error>");
}

TEST_F(TextInfoPlugin, AFileRewrittenBetweenRunsIsReadAgain) {
    const std::string file = dir.Write("grow.txt", "one\n");
    EXPECT_EQ(Inspect(file)["Lines"], "1");
    dir.Write("grow.txt", "one\ntwo\nthree\n");
    EXPECT_EQ(Inspect(file)["Lines"], "3");
}

// Within one load the plugin keeps the counts of a file. A rewrite that
// changes only the size, or only the time stamp, must be seen all the same.
TEST(TextInfoPluginDirect, ARewriteWithinOneLoadIsReadAgain) {
    struct Rewrite {
        const char* name;
        std::string before, after;
        LONGLONG timeShift;  // added to the first time stamp, in 100 ns
    };
    const Rewrite rewrites[] = {
        {"only the size changes", "one\n", "one\ntwo\nthree\n", 0},
        {"only the time stamp changes", "one\n", "a\nb\n", 3600LL * 10000000},
    };
    testsupport::TempDir dir;
    fw::Module plugin(::LoadLibraryA(TextInfoPath().c_str()));
    ASSERT_TRUE(plugin);
    auto getValue = reinterpret_cast<wdx::ContentGetValueFn>(::GetProcAddress(plugin, "ContentGetValue"));
    ASSERT_NE(getValue, nullptr);
    const int kLines = 0;
    auto lines = [&](std::string& file) {
        int32_t value = -1;
        char buffer[wdx::kBufferSize];
        EXPECT_EQ(getValue(&file[0], kLines, 0, buffer, sizeof buffer, 0), wdx::kNumeric32);
        std::memcpy(&value, buffer, sizeof value);
        return value;
    };
    auto count = [](const std::string& text) { return static_cast<int32_t>(std::count(text.begin(), text.end(), '\n')); };
    for (const Rewrite& r : rewrites) {
        SCOPED_TRACE(r.name);
        std::string file = dir.Write("rewritten.txt", r.before);
        WIN32_FILE_ATTRIBUTE_DATA first;
        ASSERT_TRUE(::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &first));
        EXPECT_EQ(lines(file), count(r.before));
        dir.Write("rewritten.txt", r.after);
        ULARGE_INTEGER stamp;
        stamp.LowPart = first.ftLastWriteTime.dwLowDateTime;
        stamp.HighPart = first.ftLastWriteTime.dwHighDateTime;
        stamp.QuadPart += r.timeShift;
        FILETIME written{stamp.LowPart, stamp.HighPart};
        HANDLE h = ::CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(::SetFileTime(h, nullptr, nullptr, &written));
        ::CloseHandle(h);
        WIN32_FILE_ATTRIBUTE_DATA second;
        ASSERT_TRUE(::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &second));
        ASSERT_EQ(::CompareFileTime(&first.ftLastWriteTime, &second.ftLastWriteTime) == 0, r.timeShift == 0);
        ASSERT_EQ(first.nFileSizeLow == second.nFileSizeLow, r.before.size() == r.after.size());
        EXPECT_EQ(lines(file), count(r.after));
    }
}

TEST_F(TextInfoPlugin, TheFirstLineIsCutAtItsBound) {
    auto v = Inspect(dir.Write("long.txt", std::string(1000, 'x') + "\n"));
    EXPECT_EQ(v["First line"], std::string(256, 'x'));
    EXPECT_EQ(v["Characters"], "1001");
}

}  // namespace
