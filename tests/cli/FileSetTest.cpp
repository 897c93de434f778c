#include "cli/FileSet.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(FileSet, PatternsMatchAsTheFileSystemComparesNames) {
    struct Case {
        const char* what;
        std::string name, pattern;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"star and extension", "song.mp3", "*.mp3", true},
        {"name in capitals", "SONG.MP3", "*.mp3", true},
        {"extension not last", "x.mp3.txt", "*.mp3", false},
        {"trailing star", "x.mp3.txt", "*.mp3*", true},
        {"question mark is one character", "a.mp3", "?.mp3", true},
        {"question mark is not two", "ab.mp3", "?.mp3", false},
        {"star backs up", "aXbYbZc", "a*b*c", true},
        {"star backs up, then no c", "aXbYbZ", "a*b*c", false},
        {"star backs up past a false start", "mississippi", "*issip*", true},
        {"empty name and pattern", "", "", true},
        {"empty name, star", "", "*", true},
        {"empty name, question mark", "", "?", false},
        {"empty pattern", "a", "", false},
        {"pattern longer than the name", "ab", "abc", false},
        {"accented letter is one character", "\xC3\xA9", "?", true},
        {"accented letters differ", "\xC3\xA9", "\xC3\xA8", false},
        {"accented capitals", "\xC3\x89t\xC3\xA9.flac", "\xC3\xA9T\xC3\x89.FLAC", true},  // Été, éTÉ
        {"umlaut capital, then star", "\xC3\x84rger.txt", "\xC3\xA4*", true},            // Ärger, ä*
        {"Cyrillic capitals", "\xD0\x96\xD1\x83\xD0\xBA", "\xD0\xB6?\xD0\x9A", true},       // Жук, ж?К
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(cli::MatchesPattern(c.name, c.pattern), c.matches) << c.name << " vs " << c.pattern;
    }
}

TEST(FileSet, ListFilesAreReadLineByLineAndBadLinesRefused) {
    struct Case {
        const char* what;
        std::string list;  // the list's bytes; "<none>": no list file at all
        std::vector<std::string> paths, relatives;
        std::vector<std::string> error;  // pieces the error names; none: accepted
    };
    const std::string none = "<none>";
    const std::vector<Case> cases = {
        {"byte order mark on the first line", "\xEF\xBB\xBF" "C:\\nowhere\\a.mp3\nC:\\nowhere\\b.mp3\n",
         {"C:\\nowhere\\a.mp3", "C:\\nowhere\\b.mp3"}, {"a.mp3", "b.mp3"}, {}},
        {"CRLF line ends, last line without one", "C:\\nowhere\\a.mp3\r\nC:/nowhere/b.mp3",
         {"C:\\nowhere\\a.mp3", "C:/nowhere/b.mp3"}, {"a.mp3", "b.mp3"}, {}},
        {"blank lines skipped", "\r\n\nC:\\nowhere\\a.mp3\r\n\r\n\n", {"C:\\nowhere\\a.mp3"}, {"a.mp3"}, {}},
        {"missing file kept", "C:\\probelet-missing\\gone.ogg\n", {"C:\\probelet-missing\\gone.ogg"}, {"gone.ogg"}, {}},
        {"UTF-8 name", "C:\\nowhere\\caf\xC3\xA9.txt\n", {"C:\\nowhere\\caf\xC3\xA9.txt"}, {"caf\xC3\xA9.txt"}, {}},
        {"Latin-1 line, blank lines counted", "C:\\nowhere\\a.mp3\r\n\r\ncaf\xE9.txt\r\n", {}, {},
         {"line 3", "not UTF-8"}},
        {"broken UTF-8 sequence", "\xC3\x28.txt\n", {}, {}, {"line 1", "not UTF-8"}},
        {"NUL byte in a line", "C:\\nowhere\\a.mp3\nb\0c.mp3\n"s, {}, {}, {"line 2", "not UTF-8"}},
        {"missing folder with trailing backslash", "C:\\nowhere\\a.mp3\nC:\\probelet-missing\\sub\\\n", {}, {},
         {"no such folder", "C:\\probelet-missing\\sub"}},
        {"only blank lines", "\r\n\r\n", {}, {}, {"no file given"}},
        {"list not there", none, {}, {}, {"cannot read the list", "not-there.txt"}},
    };
    testsupport::TempDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cli::FileSetRequest request;
        const std::string name = "list" + std::to_string(++n) + ".txt";
        request.filesFrom = c.list == none ? dir.Path() + "\\not-there.txt" : dir.Write(name, c.list);
        cli::FileSet out;
        std::string error;
        const bool ok = cli::CollectFiles(request, out, error);
        EXPECT_EQ(ok, c.error.empty()) << error;
        for (const std::string& piece : c.error)
            EXPECT_NE(error.find(piece), std::string::npos) << "no \"" << piece << "\" in: " << error;
        if (!c.error.empty()) continue;
        EXPECT_EQ(out.paths, c.paths);
        std::vector<std::string> relatives;
        for (size_t i = 0; i < out.paths.size(); ++i) relatives.push_back(out.Relative(i));
        EXPECT_EQ(relatives, c.relatives);
    }
}

}  // namespace
