// The fuzzer's pieces a user meets: how --fuzz is asked for, what it writes
// at the end, and a failure crossing the pipe from the plugin's process.
#include "cli/CliOptions.h"
#include "cli/Fuzzer.h"
#include "cli/Wire.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace {

TEST(FuzzOptions, CommandLinesAreTakenOrRefusedWithTheReason) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        const char* error;  // nullptr: taken
    };
    const std::vector<Case> cases = {
        {"runs", {"--fuzz", "a.mp3", "b", "--out", "o", "--runs", "5", "p.wdx"}, nullptr},
        {"time and seed", {"--fuzz", "a.mp3", "--out", "o", "--time", "1.5", "--seed", "9", "p.wdx"}, nullptr},
        {"both limits", {"--fuzz", "a.mp3", "--out", "o", "--runs", "5", "--time", "2", "p.wdx"}, nullptr},
        {"no seed", {"--fuzz", "--out", "o", "--runs", "5", "p.wdx"}, "seed"},
        {"no plugin", {"--fuzz", "--out", "o", "--runs", "5"}, "no plugin"},
        {"no out", {"--fuzz", "a.mp3", "--runs", "5", "p.wdx"}, "--out"},
        {"no limit", {"--fuzz", "a.mp3", "--out", "o", "p.wdx"}, "--runs N or --time"},
        {"zero time", {"--fuzz", "a.mp3", "--out", "o", "--time", "0", "p.wdx"}, "--time"},
        {"negative seed", {"--fuzz", "a.mp3", "--out", "o", "--runs", "5", "--seed", "-1", "p.wdx"}, "--seed"},
        {"with --check", {"--fuzz", "--check", "a.mp3", "--out", "o", "--runs", "5", "p.wdx"}, "--check cannot"},
        {"with --in-process", {"--fuzz", "--in-process", "a", "--out", "o", "--runs", "5", "p.wdx"}, "--in-process"},
        {"as html", {"--fuzz", "-f", "html", "a", "--out", "o", "--runs", "5", "p.wdx"}, "--format html"},
        {"--out without --fuzz", {"--out", "o", "p.wdx", "a.mp3"}, "go with --fuzz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cli::Options options;
        std::string error;
        const bool taken = cli::ParseOptions(c.args, options, error);
        if (c.error) {
            EXPECT_FALSE(taken);
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(taken) << error;
        // The plugin comes last, the seeds before it; the limit of a call is shorter.
        EXPECT_EQ(options.plugin, "p.wdx");
        EXPECT_EQ(options.files.front(), "a.mp3");
        EXPECT_EQ(options.timeoutMs, 2000u);
    }
}

cli::FuzzResult TwoFindings() {
    cli::FuzzResult r;
    r.plugin = "C:\\p\\fuzzme.wdx";
    r.seed = 7;
    r.runs = 1000;
    r.seconds = 2.0;
    r.kept = 3;
    r.findings.push_back({{"fault", "ContentGetValue", 1, 0xC0000005, "fuzzme.wdx+0x168C"}, 20, "o\\fault-1.pfz", 231,
                          "o\\fault-1-min.pfz", 8});
    r.findings.push_back({{"hang", "DllMain while loading", -1, 0, ""}, 1, "o\\hang, \"2\".pfz", 5, "o\\h-min.pfz", 0});
    return r;
}

// Each format carries every finding whole: JSON read back by a real parser,
// CSV with its quoting, text with the counts a reader looks for.
TEST(FuzzReport, EveryFormatCarriesEachFindingWhole) {
    cli::FuzzResult r = TwoFindings();
    const nlohmann::json json = nlohmann::json::parse(cli::FuzzJson(r))["fuzz"];
    EXPECT_EQ(json["runs"], 1000);
    EXPECT_EQ(json["runs_per_second"], 500.0);
    EXPECT_TRUE(json["stopped"].is_null());
    ASSERT_EQ(json["findings"].size(), 2u);
    EXPECT_EQ(json["findings"][0]["code"], 0xC0000005u);
    EXPECT_EQ(json["findings"][0]["at"], "fuzzme.wdx+0x168C");
    EXPECT_TRUE(json["findings"][1]["field"].is_null());
    EXPECT_TRUE(json["findings"][1]["at"].is_null());
    EXPECT_EQ(json["findings"][1]["file"], "o\\hang, \"2\".pfz");

    EXPECT_EQ(cli::FuzzCsv(r), "kind,entry_point,field,code,at,count,file,bytes,shrunk,shrunk_bytes\r\n"
                               "fault,ContentGetValue,1,0xC0000005,fuzzme.wdx+0x168C,20,o\\fault-1.pfz,231,"
                               "o\\fault-1-min.pfz,8\r\n"
                               "hang,DllMain while loading,,-,,1,\"o\\hang, \"\"2\"\".pfz\",5,o\\h-min.pfz,0\r\n");

    const std::string text = cli::FuzzText(r);
    EXPECT_NE(text.find("1000 runs in 2.0 s (500 runs/s), seed 7, 3 inputs kept, 2 findings"), std::string::npos);
    EXPECT_NE(text.find("(20 inputs)"), std::string::npos);
    EXPECT_NE(text.find("(1 input)"), std::string::npos);
    r.findings.pop_back();
    r.stopped = "disk full";
    r.findings[0].shrunk.clear();  // stopped before it was shrunk
    EXPECT_NE(cli::FuzzText(r).find("1 finding\n"), std::string::npos);
    EXPECT_NE(cli::FuzzText(r).find("Stopped early: disk full"), std::string::npos);
    EXPECT_NE(cli::FuzzText(r).find("  not shrunk\n"), std::string::npos);
    const nlohmann::json stopped = nlohmann::json::parse(cli::FuzzJson(r))["fuzz"];
    EXPECT_EQ(stopped["stopped"], "disk full");
    EXPECT_TRUE(stopped["findings"][0]["shrunk"].is_null() && stopped["findings"][0]["shrunk_bytes"].is_null());
}

// What the fuzzer counts a cause by crosses from the plugin's process intact,
// and a file without a failure stays without one.
TEST(FuzzReport, AFailureCrossesThePipeIntact) {
    for (const bool failed : {true, false}) {
        SCOPED_TRACE(failed);
        cli::FileReport sent{"C:\\in-1.pfz", "in-1.pfz", {}, {}, {}};
        if (failed) sent.failure = cli::Failure{"crash", "ContentGetValue", 3, 0xC0000374, "p.wdx+0x10"};
        cli::WireWriter w;
        cli::Put(w, sent);
        cli::WireReader r(w.Bytes().data(), w.Bytes().size());
        cli::FileReport got;
        ASSERT_TRUE(cli::Get(r, got));
        ASSERT_EQ(got.failure.has_value(), failed);
        if (!failed) continue;
        EXPECT_EQ(got.failure->kind, "crash");
        EXPECT_EQ(got.failure->entryPoint, "ContentGetValue");
        EXPECT_EQ(got.failure->field, 3);
        EXPECT_EQ(got.failure->code, 0xC0000374u);
        EXPECT_EQ(got.failure->at, "p.wdx+0x10");
    }
}

}  // namespace
