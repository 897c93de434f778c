// The inspection view in a real parent window that stands in for the main
// window, configured like a real host installation: the host key in the test
// prefix's registry, an INI file naming copies of the test plugin.
#pragma once

#include "support/HostSetup.h"
#include "inspect/WDXView.h"
#include "support/TestWindows.h"
#include "testplugin/TestPluginControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ViewFixture : public ::testing::Test {
protected:
    static constexpr bool k64 = sizeof(void*) == 8;

    testsupport::ScopedHostKeys keys;
    testsupport::ScopedEnvironment env{{"COMMANDER_PATH", "COMMANDER_INI"}};
    testsupport::TempDir dir;
    testplugin::Session plugin;
    testsupport::MessageBoxWatcher boxes;
    testsupport::RecordingParent parent{400, 300};
    CWDXView view;
    // The message boxes the test expects to have been answered, in order.
    std::vector<std::string> expectedBoxes;

    ViewFixture();
    ~ViewFixture() override;

    // Copies the test plugin to plugins\<name>\<name>.wdx (and beside it the
    // .wdx64 a 64-bit host loads) and returns the INI value naming it the way
    // the host writes it.
    std::string InstallPlugin(const std::string& name);
    // The INI with "[ContentPlugins]" and these lines, and the host key for it.
    std::string WriteHost(const std::vector<std::string>& pluginLines);
    // Installs the plugins and lists them as keys 0, 1, ...
    void InstallHost(const std::vector<std::string>& names);

    // Creates the view over the parent's whole client area.
    void CreateView();
    // CreateView and the first initial update.
    void Start();

    // The file of the library loaded for the last run, or "".
    std::string LoadedFile() const;
    // The file a tab's plugin is loaded from.
    std::string LibraryOf(const std::string& name) const;
    std::string TabLabel(int index) const;
    std::string TabTip(int index) const;
    // What the tab strip tells the view when a click made another tab current.
    void SendTabSelect(int index, UINT_PTR fromId = CWDXView::kTabsId);
    int Loads() { return plugin.Data().loads; }
    // The file paths handed to ContentGetValue so far.
    std::vector<std::string> FetchedFiles() const;
};
