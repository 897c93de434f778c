// A field list set up exactly as the inspection view sets up its own, in a
// real top-level window, plus the state a run works on, the test plugin's
// control block and a report that writes the view's rows and records the
// messages a run tells.
#pragma once

#include "framework/ListCtrl.h"
#include "inspect/FieldRows.h"
#include "inspect/InspectionRun.h"
#include "support/TestWindows.h"
#include "testplugin/TestPluginControl.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using Row = std::array<std::string, 4>;

// Style 0x50000005, extended style 0x21, the four columns sized to their headers.
void CreateFieldList(fw::ListCtrl& list, HWND parent);
std::vector<Row> ReadRows(const fw::ListCtrl& list);

// The view's rows, and the messages recorded instead of shown.
class RecordingReport : public FieldRowWriter {
public:
    using FieldRowWriter::FieldRowWriter;
    void Tell(const std::string& message) override { m_texts.push_back(message); }
    const std::vector<std::string>& Texts() const { return m_texts; }

private:
    std::vector<std::string> m_texts;
};

class InspectionFixture : public ::testing::Test {
protected:
    void SetUp() override { CreateFieldList(list, parent); }
    void TearDown() override {
        state.m_plugin.Release();
    }
    void Run(const std::string& path) { RunInspection(state, boxes, path.c_str()); }
    void Run(testplugin::Variant variant = testplugin::Variant::Standard) { Run(testplugin::Path(variant)); }
    std::vector<Row> Rows() const { return ReadRows(list); }
    std::vector<int> ColumnWidths() const;
    void SetColumnWidths(int width);

    testsupport::RecordingParent parent{640, 480};
    fw::ListCtrl list;
    InspectionState state;
    testplugin::Session plugin;
    RecordingReport boxes{list};
};
