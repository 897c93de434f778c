// What --check finds a plugin leaves behind, run in the plugin's own process
// as probelet-cli runs it, on the cases a user meets at the edges: a file too
// big to copy, a read-only original, --repeat just under the leak check's
// floor, and the figures a leak is reported with.
#include "cli/IsolatedProbe.h"
#include "cli/ModernValues.h"
#include "support/HostSetup.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

namespace {

const std::set<std::string> kLeftoverKinds = {"file-left-open", "leak", "thread-left-running", "unload-failed"};

std::string Plugin(const std::string& name) { return testsupport::HostSetup::Plugin(testsupport::ExeDir(), name); }

// A text file made size bytes long by moving its end: nothing more is written.
std::string TextFile(const testsupport::TempDir& dir, LONGLONG size, bool readOnly) {
    const std::string path = dir.Write("notes.txt", "first line\r\n");
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = size;
    const bool sized = h != INVALID_HANDLE_VALUE && ::SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    EXPECT_TRUE(sized);
    if (readOnly) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    return path;
}

struct Case {
    const char* what;
    const char* plugin;
    LONGLONG size;
    bool readOnly;
    int repeat;
    const char* kind;    // the one leftover kind found; nullptr: none
    const char* detail;  // part of its detail
};

TEST(LeftoverChecks, FoundWhereLeftAndNotLookedForPastTheirLimits) {
    const Case cases[] = {
        {"a file held open", "leftover_open", 12, false, 1, "file-left-open", "field \"Extra\""},
        {"a read-only file held open", "leftover_open", 12, true, 1, "file-left-open", "cannot be"},
        {"a file too big to copy is not checked", "leftover_open", (256LL << 20) + 1, false, 1, nullptr, nullptr},
        {"--repeat under 200 looks for no leak", "leftover_leak", 12, false, 199, nullptr, nullptr},
        {"a leak with its figures", "leftover_leak", 12, false, 200, "leak", "handles +"},
        {"a worker ended on unloading", "leftover_sound", 12, false, 200, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string file = TextFile(dir, c.size, c.readOnly);
        WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
        ASSERT_TRUE(::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &before));

        cli::ProbeOptions options;
        options.check = true;
        options.repeat = c.repeat;
        cli::IsolatedProbe probe(options, cli::Utf8ToWide(testsupport::ExeDir()));
        cli::Report report;
        probe.Run(Plugin(c.plugin), {file}, report);
        ASSERT_EQ(report.files.size(), 1u) << probe.LoadMessage();

        std::vector<cli::Problem> found;
        for (const cli::Problem& p : report.problems)
            if (kLeftoverKinds.count(p.kind)) found.push_back(p);
        ASSERT_EQ(found.size(), c.kind ? 1u : 0u) << (found.empty() ? "" : found[0].kind + ": " + found[0].detail);
        if (c.kind) {
            EXPECT_EQ(found[0].kind, c.kind);
            EXPECT_EQ(found[0].field, 1);  // "Extra", where each manner acts
            EXPECT_EQ(found[0].file, file);  // the user's path, not the copy's
            EXPECT_NE(found[0].detail.find(c.detail), std::string::npos) << found[0].detail;
        }
        // The user's file was only read.
        ASSERT_TRUE(::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &after));
        EXPECT_EQ(after.dwFileAttributes, before.dwFileAttributes);
        EXPECT_EQ(after.nFileSizeLow, before.nFileSizeLow);
        EXPECT_EQ(after.nFileSizeHigh, before.nFileSizeHigh);
        EXPECT_EQ(::CompareFileTime(&after.ftLastWriteTime, &before.ftLastWriteTime), 0);
    }
}

}  // namespace
