// What probelet-cli makes of a host process whose pipe goes wrong: a message
// cut short (the process gone, or still there), one that does not read back,
// an impossible frame, and a host that cannot be started again. A stand-in
// host of ours sends the first file whole and then misbehaves; every file
// must still get its report and the problem must say what happened.
#include "cli/IsolatedProbe.h"
#include "cli/ModernValues.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

const std::string kHostName = sizeof(void*) == 8 ? "probelet-host64.exe" : "probelet-host32.exe";

struct Case {
    const char* mode;
    unsigned timeoutMs;
    const char* kind;    // of each problem
    const char* detail;  // in each problem's detail
    int problems;
    bool lastInspected;  // else the second file carries why it was not
};

TEST(HostPipe, EveryFileIsReportedAndTheProblemSaysWhatWentWrong) {
    const Case cases[] = {
        {"cut", 10000, "crash", "in the middle of a message", 2, true},
        {"cut-live", 300, "hang", "in the middle of a message", 2, true},
        {"unreadable", 10000, "crash", "a message that does not read back", 2, true},
        {"bad-length", 10000, "crash", "a message that does not read back", 2, true},
        {"vanish", 10000, "crash", "ended with 0xC0000005", 1, false},
    };
    const std::string plugin = testsupport::ExeDir() + "\\plugins\\fileinfo" +
                               (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        testsupport::TempDir folder;
        ASSERT_TRUE(::CopyFileA((testsupport::ExeDir() + "\\standin\\" + kHostName).c_str(),
                                (folder.Path() + "\\" + kHostName).c_str(), FALSE));
        const std::vector<std::string> files = {folder.Write("a.txt", "aaaaaaa"), folder.Write("b.txt", "bbbbbbb")};
        ::SetEnvironmentVariableA("PROBELET_STANDIN", c.mode);
        cli::ProbeOptions options;
        options.timeoutMs = c.timeoutMs;
        cli::IsolatedProbe probe(options, cli::Utf8ToWide(folder.Path()));
        cli::Report report;
        EXPECT_EQ(probe.Run(plugin, files, report), cli::PluginProbe::Status::Problems) << probe.LoadMessage();

        ASSERT_EQ(report.files.size(), 2u);
        EXPECT_EQ(report.files[0].file, files[0]);
        ASSERT_EQ(report.files[0].fields.size(), 1u);
        EXPECT_EQ(report.files[0].fields[0].value, "7");
        EXPECT_EQ(report.files[1].file, files[1]);
        EXPECT_EQ(report.files[1].fields.size(), c.lastInspected ? 1u : 0u);
        EXPECT_EQ(report.files[1].message.has_value(), !c.lastInspected);
        if (!c.lastInspected) {
            EXPECT_NE(report.files[1].message->find("not inspected: after the hang or crash above, cannot start"),
                      std::string::npos)
                << *report.files[1].message;
        }
        ASSERT_EQ(report.problems.size(), static_cast<size_t>(c.problems));
        for (const cli::Problem& p : report.problems) {
            EXPECT_EQ(p.kind, c.kind);
            EXPECT_NE(p.detail.find(c.detail), std::string::npos) << p.detail;
        }
    }
    ::SetEnvironmentVariableA("PROBELET_STANDIN", nullptr);
}

}  // namespace
