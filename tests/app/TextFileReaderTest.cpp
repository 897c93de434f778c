#include "framework/TextFileReader.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Result = fw::TextFileReader::Result;

std::vector<std::string> ReadAll(const std::string& path, Result* last = nullptr) {
    fw::TextFileReader reader;
    std::vector<std::string> lines;
    if (!reader.Open(path.c_str())) return {"<not opened>"};
    std::string line;
    Result r;
    while ((r = reader.ReadLine(line)) == Result::Line) lines.push_back(line);
    if (last) *last = r;
    return lines;
}

TEST(TextFileReader, LinesEndAtLfOrCrLfAndEveryLineCounts) {
    testsupport::TempDir dir;
    Result last;
    EXPECT_EQ(ReadAll(dir.Write("a.txt", "one\r\n\r\nthree\nfour"), &last),
              (std::vector<std::string>{"one", "", "three", "four"}));
    EXPECT_EQ(last, Result::End);
    EXPECT_EQ(ReadAll(dir.Write("b.txt", "x\n")), (std::vector<std::string>{"x"}));
    EXPECT_EQ(ReadAll(dir.Write("c.txt", "\n")), (std::vector<std::string>{""}));
    EXPECT_EQ(ReadAll(dir.Write("d.txt", "")), (std::vector<std::string>{}));
    // A CR not followed by LF is text, and blanks are kept.
    EXPECT_EQ(ReadAll(dir.Write("e.txt", " a\rb \r\n")), (std::vector<std::string>{" a\rb "}));
}

TEST(TextFileReader, CtrlZEndsTheFileAsInTextMode) {
    testsupport::TempDir dir;
    Result last;
    EXPECT_EQ(ReadAll(dir.Write("a.txt", "one\r\ntwo\x1Athree\r\nfour\r\n"), &last),
              (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(last, Result::End);
    EXPECT_EQ(ReadAll(dir.Write("b.txt", "one\r\n\x1A")), (std::vector<std::string>{"one"}));
    EXPECT_EQ(ReadAll(dir.Write("c.txt", "\x1Aone\r\n")), (std::vector<std::string>{}));
    // Past the first read chunk too.
    EXPECT_EQ(ReadAll(dir.Write("d.txt", std::string(5000, 'x') + "\r\ny\x1A\r\nz")),
              (std::vector<std::string>{std::string(5000, 'x'), "y"}));
}

TEST(TextFileReader, LongLinesAndTerminatorsAcrossReadChunksComeBackWhole) {
    testsupport::TempDir dir;
    const std::string longLine(10000, 'x');
    const std::string edge(4095, 'y');  // its CR is the last byte of the first 4 KiB, the LF the first of the next
    auto lines = ReadAll(dir.Write("long.txt", longLine + "\r\n" + edge + "\r\nlast"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lines[1], edge);
    EXPECT_EQ(lines[2], "last");
}

TEST(TextFileReader, AMissingFileDoesNotOpen) {
    testsupport::TempDir dir;
    fw::TextFileReader reader;
    EXPECT_FALSE(reader.Open((dir.Path() + "\\missing.txt").c_str()));
    EXPECT_FALSE(reader.Open(nullptr));
    std::string line = "stale";
    EXPECT_EQ(reader.ReadLine(line), Result::Error);
    EXPECT_EQ(line, "");
}

}  // namespace
