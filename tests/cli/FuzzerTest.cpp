// A fuzzing run's output folder over time: findings numbered past what an
// earlier run left there, each saved with its shrunk copy, and nothing left
// of a run whose plugin does not load, not even the folders it made.
#include "cli/Fuzzer.h"
#include "cli/ModernValues.h"
#include "support/HostSetup.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Plugin(const std::string& name) { return testsupport::HostSetup::Plugin(testsupport::ExeDir(), name); }

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Read(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
        std::fclose(f);
    }
    return bytes;
}

struct FuzzRun {
    cli::PluginProbe::Status status;
    cli::FuzzResult result;
    std::string loadMessage;
};

FuzzRun Fuzz(const std::string& plugin, const std::string& seed, const std::string& out) {
    cli::FuzzOptions options;
    options.plugin = plugin;
    options.seeds = {seed};
    options.out = out;
    options.runs = 1;  // the seed itself
    options.seed = 7;
    options.probe.timeoutMs = 2000;
    options.hostFolder = cli::Utf8ToWide(testsupport::ExeDir());
    cli::Fuzzer fuzzer(options);
    std::string error;
    EXPECT_TRUE(fuzzer.Prepare(error)) << error;
    FuzzRun run{};
    run.status = fuzzer.Run(run.result);
    run.loadMessage = fuzzer.LoadMessage();
    return run;
}

TEST(Fuzzer, FindingsAreNumberedPastAnEarlierRunsAndSavedWithTheirShrunkCopy) {
    testsupport::TempDir dir;
    // fuzzme trusts the offset after its signature: this one lies far outside the file.
    const std::string payload = std::string("PFZ1") + std::string("\xF0\xFF\xFF\x7F", 4) + std::string(24, 'A');
    const std::string seed = dir.Write("lies.pfz", payload);
    const std::string out = dir.Path() + "\\found";
    const char* const numbers[] = {"-1", "-2"};
    std::string first;
    for (const char* number : numbers) {
        SCOPED_TRACE(number);
        const FuzzRun run = Fuzz(Plugin("fuzzme"), seed, out);
        EXPECT_EQ(run.status, cli::PluginProbe::Status::Problems) << run.loadMessage;
        ASSERT_EQ(run.result.findings.size(), 1u);
        const cli::FuzzFinding& f = run.result.findings[0];
        EXPECT_EQ(f.cause.kind, "fault");
        EXPECT_EQ(f.file, out + "\\fault-ContentGetValue-field1-C0000005" + number + ".pfz");
        EXPECT_EQ(f.shrunk, out + "\\fault-ContentGetValue-field1-C0000005" + number + "-min.pfz");
        EXPECT_EQ(Read(f.file), payload);
        // Cut down to what still faults: the signature and the lying offset.
        EXPECT_LE(f.shrunkBytes, 8u);
        EXPECT_EQ(Read(f.shrunk).substr(0, 4), "PFZ1");
        if (first.empty()) first = f.file;
    }
    EXPECT_EQ(Read(first), payload);  // the earlier run's finding stays as it was
    EXPECT_EQ(Read(seed), payload);
}

TEST(Fuzzer, APluginThatDoesNotLoadLeavesNoFolderBehind) {
    testsupport::TempDir dir;
    const std::string notPlugin = dir.Write("plugin.wdx", "not a library");
    const std::string seed = dir.Write("seed.txt", "a line\r\n");
    const std::string out = dir.Path() + "\\made\\for\\findings";
    const FuzzRun run = Fuzz(notPlugin, seed, out);
    EXPECT_EQ(run.status, cli::PluginProbe::Status::NotLoaded);
    EXPECT_FALSE(run.loadMessage.empty());
    EXPECT_EQ(run.result.runs, 0);
    EXPECT_FALSE(Exists(dir.Path() + "\\made"));
}

}  // namespace
