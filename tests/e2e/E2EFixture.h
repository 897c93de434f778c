// One real Probelet process per test, started against a host installed in a
// temp folder (registry key + wincmd.ini) with real plugins and real files.
#pragma once

#include "e2e/RemoteProbelet.h"
#include "support/HostSetup.h"
#include "support/TestWindows.h"
#include "testplugin/TestPluginControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace e2e {

inline std::string Question(const std::string& path) {
    return "Cannot open file " + path + ". Delete it from list?";
}

class E2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin.AddText("Name", wdx::kString, "hello");
        plugin.AddInt32("Count", 42);
        fileA = dir.Write("a.txt", std::string(1234, 'a'));
        fileB = dir.Write("b.dat", "second");
    }

    // The host lists these plugins as its content plugins 0, 1, ...
    bool InstallHost(const std::vector<std::string>& plugins) {
        host = std::make_unique<testsupport::HostSetup>(dir.Path(), plugins);
        return host->Ok();
    }
    static std::string Built(const std::string& name) {
        return testsupport::HostSetup::Plugin(testsupport::ExeDir(), name);
    }
    std::string ListFile(const std::string& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        return dir.Write(name, text);
    }
    bool Launch(const std::vector<std::string>& args) { return app.Start(args, dir.Path()); }
    // Launch and wait for the end of a start-up without message boxes.
    bool LaunchQuietly(const std::vector<std::string>& args) { return Launch(args) && app.WaitStarted(); }
    std::string Ini() const { return host ? host->IniPath() : std::string(); }

    // Inspections with the test plugin so far: each run asks for field 0 first.
    int TestPluginRuns() {
        int runs = 0;
        for (const testplugin::Call& c : plugin.Calls(testplugin::Entry::GetSupportedField))
            if (c.fieldIndex == 0) ++runs;
        return runs;
    }
    // The program ends on WM_CLOSE with the exit code 0.
    void ExpectCleanExit() {
        DWORD code = 0xDEAD;
        EXPECT_TRUE(app.Close(&code));
        EXPECT_EQ(code, 0u);
    }

    testsupport::TempDir dir;
    testplugin::Session plugin;  // before the process: it inherits the block's name
    std::unique_ptr<testsupport::HostSetup> host;
    std::string fileA, fileB;
    RemoteProbelet app;  // last: the process ends before the files and the key go
};

}  // namespace e2e
