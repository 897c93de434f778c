// The sample plugin on real files, through the inspection run and, for the
// piecewise full text that the real host asks for, directly.
#include "InspectionFixture.h"

#include "framework/Handles.h"
#include "plugin/PluginInterface.h"

#include <cstring>
#include <map>

namespace {

std::string FileInfoPath() {
    return testsupport::ExeDir() + "\\plugins\\fileinfo" + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
}

FILETIME LocalTime(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME st{};
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    FILETIME local, utc;
    ::SystemTimeToFileTime(&st, &local);
    ::LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

std::string Text(size_t n) {
    std::string s;
    for (size_t i = 0; s.size() < n; ++i) s += "line " + std::to_string(i) + "\r\n";
    s.resize(n);
    return s;
}

class FileInfoPlugin : public InspectionFixture {
protected:
    std::map<std::string, std::pair<std::string, std::string>> Inspect(const std::string& file) {
        std::strcpy(state.m_szFile, file.c_str());
        Run(FileInfoPath());
        EXPECT_TRUE(boxes.Texts().empty());
        std::map<std::string, std::pair<std::string, std::string>> byName;
        for (const Row& r : Rows()) byName[r[0]] = {r[1], r[3]};
        return byName;
    }
    testsupport::TempDir dir;
};

TEST_F(FileInfoPlugin, ListsOneFieldOfEveryTypeInAFixedOrder) {
    Run(FileInfoPath());
    std::vector<std::pair<std::string, std::string>> fields;
    for (const Row& r : Rows()) fields.emplace_back(r[0], r[1]);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Size", "Numeric 64"}, {"Hard links", "Numeric 32"}, {"Size (MiB)", "Float"},
        {"Modified date", "Date"}, {"Modified time", "Time"}, {"Created date", "Date"},
        {"Created time", "Time"}, {"Read-only", "Bool"}, {"Hidden", "Bool"}, {"System", "Bool"},
        {"Archive", "Bool"}, {"Kind", "Choice"}, {"Extension", "String"}, {"Text", "Fulltext"},
    };
    EXPECT_EQ(fields, expected);
}

TEST_F(FileInfoPlugin, ReportsTheRealPropertiesOfAFile) {
    const std::string content = Text(3000);
    const std::string file = dir.Write("notes.txt", content);
    HANDLE h = ::CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const FILETIME created = LocalTime(2001, 2, 3, 4, 5, 6);
    const FILETIME modified = LocalTime(2005, 1, 15, 9, 5, 7);
    ASSERT_TRUE(::SetFileTime(h, &created, nullptr, &modified));
    ::CloseHandle(h);
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = ::GetFileAttributesA(file.c_str());
    auto yesNo = [&](DWORD bit) { return std::string(attributes & bit ? "Yes" : "No"); };

    auto v = Inspect(file);
    EXPECT_EQ(v["Size"].second, "3000");
    EXPECT_EQ(v["Hard links"].second, "1");
    EXPECT_EQ(v["Size (MiB)"].second, "0.002861");
    EXPECT_EQ(v["Modified date"].second, "2005-01-15");
    EXPECT_EQ(v["Modified time"].second, "09:05:07");
    // Not every file system keeps a creation time of its own.
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    if (::CompareFileTime(&data.ftCreationTime, &created) == 0) {
        EXPECT_EQ(v["Created date"].second, "2001-02-03");
        EXPECT_EQ(v["Created time"].second, "04:05:06");
    }
    EXPECT_EQ(v["Read-only"].second, "Yes");
    EXPECT_EQ(v["Hidden"].second, yesNo(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(v["System"].second, yesNo(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(v["Archive"].second, yesNo(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(v["Kind"].second, "File");
    EXPECT_EQ(v["Extension"].second, "txt");
    EXPECT_EQ(v["Text"].second, content.substr(0, 1023));
}

// Each attribute on a file of its own, so that each field must read its own bit.
TEST_F(FileInfoPlugin, EachAttributeFieldReadsItsOwnBit) {
    const std::pair<DWORD, const char*> attributes[] = {
        {FILE_ATTRIBUTE_READONLY, "Read-only"},
        {FILE_ATTRIBUTE_HIDDEN, "Hidden"},
        {FILE_ATTRIBUTE_SYSTEM, "System"},
        {FILE_ATTRIBUTE_ARCHIVE, "Archive"},
    };
    for (const auto& [bit, field] : attributes) {
        SCOPED_TRACE(field);
        const std::string file = dir.Write(std::string(field) + ".txt", "x");
        ASSERT_TRUE(::SetFileAttributesA(file.c_str(), bit));
        const DWORD set = ::GetFileAttributesA(file.c_str());
        ASSERT_TRUE(set & bit);
        auto v = Inspect(file);
        for (const auto& [other, otherField] : attributes) {
            // Files may keep the archive bit whatever is asked; only the others are sure to be off.
            if (other != bit) {
                ASSERT_TRUE(other == FILE_ATTRIBUTE_ARCHIVE || !(set & other)) << otherField;
            }
            EXPECT_EQ(v[otherField].second, set & other ? "Yes" : "No") << otherField;
        }
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the folder can go
    }
}

TEST_F(FileInfoPlugin, ABigFileHasItsSizeInSixtyFourBits) {
    const std::string file = dir.Write("big.bin", "");
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = (5LL << 30) + 7;  // sparse where the file system allows
    ASSERT_TRUE(::SetFilePointerEx(h, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(::SetEndOfFile(h));
    ::CloseHandle(h);
    auto v = Inspect(file);
    EXPECT_EQ(v["Size"].second, "5368709127");
    EXPECT_EQ(v["Size (MiB)"].second, "5120.000007");
    EXPECT_EQ(v["Extension"].second, "bin");
    EXPECT_EQ(v["Text"].second, "<Empty>");  // starts with a zero byte
}

TEST_F(FileInfoPlugin, ADirectoryHasNoSizeExtensionOrText) {
    const std::string sub = dir.Path() + "\\folder.d";
    ASSERT_TRUE(::CreateDirectoryA(sub.c_str(), nullptr));
    auto v = Inspect(sub);
    EXPECT_EQ(v["Kind"].second, "Directory");
    EXPECT_EQ(v["Size"].second, "<Empty>");
    EXPECT_EQ(v["Extension"].second, "<Empty>");
    EXPECT_EQ(v["Text"].second, "<Empty>");
}

TEST_F(FileInfoPlugin, TheExtensionBelongsToTheLastPathComponent) {
    const std::string sub = dir.Path() + "\\v1.2";
    ASSERT_TRUE(::CreateDirectoryA(sub.c_str(), nullptr));
    const std::string plain = sub + "\\README";
    dir.Write("v1.2\\README", "x");
    EXPECT_EQ(Inspect(plain)["Extension"].second, "<Empty>");
    EXPECT_EQ(Inspect(dir.Write("archive.tar.gz", "x"))["Extension"].second, "gz");
    EXPECT_EQ(Inspect(dir.Write("empty.txt", ""))["Text"].second, "<Empty>");
}

TEST_F(FileInfoPlugin, AMissingFileGivesAnErrorInEveryField) {
    auto v = Inspect(dir.Path() + "\\gone.txt");
    ASSERT_EQ(v.size(), 14u);
    for (const auto& [name, typeAndValue] : v) EXPECT_EQ(typeAndValue.second, "<Error>") << name;
}

// The real host reads a full text in pieces: unit index 0, then the number of
// bytes it has, until the result is 0; -1 ends early.
TEST(FileInfoPluginDirect, DeliversTheFullTextPieceByPiece) {
    testsupport::TempDir dir;
    const std::string content = Text(2500);
    std::string file = dir.Write("long.txt", content);
    fw::Module plugin(::LoadLibraryA(FileInfoPath().c_str()));
    ASSERT_TRUE(plugin);
    auto getValue = reinterpret_cast<wdx::ContentGetValueFn>(::GetProcAddress(plugin, "ContentGetValue"));
    ASSERT_NE(getValue, nullptr);
    const int kText = 13;
    std::string got;
    char buffer[wdx::kBufferSize];
    for (int round = 0; round < 10; ++round) {
        int code = getValue(&file[0], kText, static_cast<int>(got.size()), buffer, sizeof buffer, 0);
        if (code == 0) break;
        ASSERT_EQ(code, wdx::kFulltext);
        got += buffer;
    }
    EXPECT_EQ(got, content);
    EXPECT_EQ(getValue(&file[0], kText, wdx::kUnitCloseFulltext, buffer, sizeof buffer, 0), 0);
    // A value of a fixed size never goes past a small buffer.
    EXPECT_EQ(getValue(&file[0], 0, 0, buffer, 4, 0), wdx::kFileError);
}

}  // namespace
