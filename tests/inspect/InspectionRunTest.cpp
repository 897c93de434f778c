// The inspection run against a real list-view, checked from both sides: the
// rows it leaves and the calls the test plugin saw.
#include "InspectionFixture.h"

#include "plugin/ValueText.h"

#include <atomic>
#include <cstring>
#include <iterator>
#include <mutex>
#include <regex>
#include <thread>
#include <utility>

namespace {

using testplugin::Call;
using testplugin::Entry;
using testplugin::Variant;

bool IsTimeText(const std::string& s) { return std::regex_match(s, std::regex(R"(\d+\.\d{3})")); }

int64_t Frequency() {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
}

TEST_F(InspectionFixture, EveryFieldBecomesARowInEnumerationOrder) {
    plugin.AddInt32("Count", -7);
    plugin.AddInt64("Big", -1);
    plugin.AddFloat("Ratio", 1.5);
    plugin.AddDate("Day", 2005, 1, 15);
    plugin.AddTime("Clock", 9, 5, 7);
    plugin.AddBool("Flag", 2);
    plugin.AddText("Pick", wdx::kChoice, "second");
    plugin.AddText("Name", wdx::kString, "hello world");
    plugin.AddText("Body", wdx::kFulltext, "first piece");
    plugin.AddRaw("Declared int, given text", wdx::kNumeric32, wdx::kString, "text!", 6);
    Run();

    const std::vector<Row> expected = {
        {"Count", "Numeric 32", "", "-7"},
        {"Big", "Numeric 64", "", "-1"},
        {"Ratio", "Float", "", "1.500000"},
        {"Day", "Date", "", "2005-01-15"},
        {"Clock", "Time", "", "09:05:07"},
        {"Flag", "Bool", "", "Yes"},
        {"Pick", "Choice", "", "second"},
        {"Name", "String", "", "hello world"},
        {"Body", "Fulltext", "", "first piece"},
        {"Declared int, given text", "Numeric 32", "", "text!"},
    };
    std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_TRUE(IsTimeText(rows[i][2])) << rows[i][2];
        rows[i][2].clear();
        EXPECT_EQ(rows[i], expected[i]) << "row " << i;
    }
    EXPECT_TRUE(state.m_plugin.IsLoaded());
    EXPECT_TRUE(boxes.Texts().empty());
    // Rows carry nothing but their texts: no item data, no state, no image.
    for (int i = 0; i < list.GetItemCount(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_PARAM | LVIF_STATE | LVIF_IMAGE;
        item.iItem = i;
        item.stateMask = ~0u;
        item.lParam = 12345;
        item.iImage = 12345;
        ASSERT_TRUE(::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(item.lParam, 0) << "row " << i;
        EXPECT_EQ(item.state, 0u) << "row " << i;
        EXPECT_EQ(item.iImage, 0) << "row " << i;
    }
}

// The name buffer and the units-and-value buffer are each one buffer for the
// whole run: what a field leaves in them is what the next field finds.
TEST_F(InspectionFixture, NeitherBufferIsClearedBetweenFields) {
    plugin.AddText("first", wdx::kString, "abcdef");
    // Writes no name and no value; its units text "" only overwrites byte 0.
    testplugin::TestField& silent = plugin.AddRaw("", wdx::kNumeric32, wdx::kString);
    silent.nameSize = 0;
    Run();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], "first");
    const std::vector<Call> fetches = plugin.Calls(Entry::GetValue);
    ASSERT_EQ(fetches.size(), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fetches[1].bufferOnEntry), 7), std::string("\0bcdef\0", 7));
}

TEST_F(InspectionFixture, CallsComeInContractOrderWithContractArguments) {
    std::strcpy(state.m_szFile, "C:\\data\\file.txt");
    plugin.AddInt32("A", 1);
    plugin.AddText("B", wdx::kFulltext, "text");
    Run();

    const std::vector<Call> calls = plugin.Calls();
    struct Expected { Entry entry; int index; int unit; };
    const Expected order[] = {
        {Entry::SetDefaultParams, 0, 0},
        {Entry::GetSupportedField, 0, 0}, {Entry::GetValue, 0, 0},
        {Entry::GetSupportedField, 1, 0}, {Entry::GetValue, 1, 0}, {Entry::GetValue, 1, -1},
        {Entry::GetSupportedField, 2, 0},
    };
    ASSERT_EQ(calls.size(), std::size(order));
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].entry, static_cast<int32_t>(order[i].entry)) << "call " << i;
        EXPECT_EQ(calls[i].fieldIndex, order[i].index) << "call " << i;
        EXPECT_EQ(calls[i].unitIndex, order[i].unit) << "call " << i;
    }
    const uint64_t units = calls[1].unitsBuffer;
    for (const Call& c : calls) {
        if (c.entry == static_cast<int32_t>(Entry::SetDefaultParams)) continue;
        EXPECT_EQ(c.maxLen, 1024);
        EXPECT_EQ(c.flags, 0);
        // One buffer takes the units and then the value, for every field.
        EXPECT_EQ(c.unitsBuffer, units);
        if (c.entry == static_cast<int32_t>(Entry::GetSupportedField)) {
            EXPECT_NE(c.nameBuffer, units);
        }
        if (c.entry == static_cast<int32_t>(Entry::GetValue)) {
            EXPECT_STREQ(c.file, "C:\\data\\file.txt");
        }
    }
}

TEST_F(InspectionFixture, TheValueBufferStillHoldsTheUnitsWhenTheFetchStarts) {
    testplugin::TestField& f = plugin.AddInt32("Weight", 3);
    std::strcpy(f.units, "kg|lb");
    Run();
    const std::vector<Call> fetches = plugin.Calls(Entry::GetValue);
    ASSERT_EQ(fetches.size(), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(fetches[0].bufferOnEntry), "kg|lb");
    EXPECT_EQ(Rows()[0][3], "3");
}

TEST_F(InspectionFixture, TheDefaultParamsRecordIsExact) {
    std::strcpy(state.m_szIniPath, "C:\\Users\\me\\wincmd.ini");
    plugin.AddInt32("A", 1);
    Run();
    const std::vector<Call> params = plugin.Calls(Entry::SetDefaultParams);
    ASSERT_EQ(params.size(), 1u);
    const uint8_t* p = params[0].params;
    int32_t size;
    uint32_t v1, v2;
    std::memcpy(&size, p, 4);
    std::memcpy(&v1, p + 4, 4);
    std::memcpy(&v2, p + 8, 4);
    EXPECT_EQ(size, 272);
    EXPECT_EQ(v1, 1u);
    EXPECT_EQ(v2, 3u);
    EXPECT_STREQ(reinterpret_cast<const char*>(p + 12), "C:\\Users\\me\\wincmd.ini");
}

TEST_F(InspectionFixture, AnUnterminatedIniPathReachesThePluginTerminated) {
    std::memset(state.m_szIniPath, 'i', sizeof state.m_szIniPath);
    std::memset(state.m_szFile, 'f', sizeof state.m_szFile);
    plugin.AddInt32("A", 1);
    Run();
    const std::vector<Call> params = plugin.Calls(Entry::SetDefaultParams);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(params[0].params + 12)), std::string(MAX_PATH - 1, 'i'));
    EXPECT_EQ(std::string(plugin.Calls(Entry::GetValue).at(0).file), std::string(MAX_PATH - 1, 'f'));
}

TEST_F(InspectionFixture, BothSpellingsOfTheDefaultParamsEntryAreServed) {
    plugin.AddInt32("A", 1);
    Run(Variant::OldParamsName);
    EXPECT_EQ(plugin.Calls(Entry::SetDefaultParamOld).size(), 1u);
    EXPECT_EQ(plugin.Calls().front().entry, static_cast<int32_t>(Entry::SetDefaultParamOld));

    // With both present, the published name wins and the other is not called.
    plugin.ClearCalls();
    Run(Variant::BothParamsNames);
    EXPECT_EQ(plugin.Calls(Entry::SetDefaultParams).size(), 1u);
    EXPECT_EQ(plugin.Calls(Entry::SetDefaultParamOld).size(), 0u);

    // Without either, the run goes on all the same.
    plugin.ClearCalls();
    Run(Variant::NoParams);
    EXPECT_EQ(plugin.Calls(Entry::GetSupportedField).size(), 2u);
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(InspectionFixture, APluginWithoutFieldsGetsNoValueCallButSizedColumns) {
    SetColumnWidths(333);
    Run();
    EXPECT_EQ(plugin.Calls(Entry::GetSupportedField).size(), 1u);
    EXPECT_EQ(plugin.Calls(Entry::GetValue).size(), 0u);
    EXPECT_EQ(list.GetItemCount(), 0);
    for (int w : ColumnWidths()) EXPECT_NE(w, 333);
    EXPECT_TRUE(state.m_plugin.IsLoaded());
}

// Step 8: columns 0 and 1 as wide as their widest cell, columns 2 and 3 wide
// enough for cells and header (the last one also filling the control). The
// short cells here make the two rules give different widths.
TEST_F(InspectionFixture, AfterTheRunColumnsFitTheirCellsAndTheLastTwoTheirHeadersToo) {
    plugin.AddBool("i", 1);
    plugin.AddBool("j", 0);
    Run();
    ASSERT_EQ(Rows().size(), 2u);
    const std::vector<int> widths = ColumnWidths();
    const int rule[4] = {LVSCW_AUTOSIZE, LVSCW_AUTOSIZE, LVSCW_AUTOSIZE_USEHEADER, LVSCW_AUTOSIZE_USEHEADER};
    const int other[4] = {LVSCW_AUTOSIZE_USEHEADER, LVSCW_AUTOSIZE_USEHEADER, LVSCW_AUTOSIZE, LVSCW_AUTOSIZE};
    for (int c = 0; c < 4; ++c) {
        list.SetColumnWidth(c, other[c]);
        EXPECT_NE(list.GetColumnWidth(c), widths[c]) << "column " << c << ": the data do not tell the rules apart";
        list.SetColumnWidth(c, rule[c]);
        EXPECT_EQ(list.GetColumnWidth(c), widths[c]) << "column " << c;
    }
}

// Steps 1 to 3 in this order: the previous plugin is released, then the rows
// go (the list tells its parent), then the new library is loaded.
TEST_F(InspectionFixture, ARunReleasesThenEmptiesTheListThenLoads) {
    plugin.AddInt32("A", 1);
    Run();
    ASSERT_EQ(Rows().size(), 1u);
    std::vector<std::pair<int, int>> atDelete;  // loads and unloads when the rows went
    parent.onNotify = [&](const NMHDR* nm) -> LRESULT {
        if (nm->code == LVN_DELETEALLITEMS) atDelete.emplace_back(plugin.Data().loads, plugin.Data().unloads);
        return 0;
    };
    Run();
    parent.onNotify = nullptr;
    ASSERT_EQ(atDelete.size(), 1u);
    EXPECT_EQ(atDelete[0], std::make_pair(1, 1));
    EXPECT_EQ(plugin.Data().loads, 2);
}

TEST_F(InspectionFixture, EveryRunReloadsThePluginAndHandsOverTheParamsAgain) {
    plugin.AddInt32("A", 1);
    Run();
    EXPECT_EQ(plugin.Data().loads, 1);
    EXPECT_EQ(plugin.Data().unloads, 0);
    Run();
    EXPECT_EQ(plugin.Data().loads, 2);
    EXPECT_EQ(plugin.Data().unloads, 1);
    const std::vector<Call> params = plugin.Calls(Entry::SetDefaultParams);
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0].loadNumber, 1);
    EXPECT_EQ(params[1].loadNumber, 2);
    // The second run's rows replace the first's.
    EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(InspectionFixture, ALibraryThatCannotBeLoadedIsReportedWithPathAndCode) {
    plugin.AddInt32("A", 1);
    Run();
    ASSERT_EQ(Rows().size(), 1u);
    SetColumnWidths(321);

    const std::string missing = testsupport::ExeDir() + "\\plugins\\no-such-plugin.wdx";
    Run(missing);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "Error plugin loading " + missing + " (126)");
    EXPECT_FALSE(state.m_plugin.IsLoaded());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(plugin.Data().unloads, 1);  // the previous plugin went first
    EXPECT_EQ(ColumnWidths(), std::vector<int>(4, 321));

    // Nothing is loaded, so the next run has nothing to release.
    Run();
    EXPECT_EQ(plugin.Data().loads, 2);
    EXPECT_EQ(plugin.Data().unloads, 1);
    EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(InspectionFixture, AFileThatIsNoLibraryIsReportedWithTheSystemsCode) {
    testsupport::TempDir dir;
    const std::string fake = dir.Write("fake.wdx", "this is not a library");
    HMODULE h = ::LoadLibraryA(fake.c_str());
    const DWORD code = ::GetLastError();
    ASSERT_EQ(h, nullptr);
    Run(fake);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "Error plugin loading " + fake + " (" + std::to_string(code) + ")");
    EXPECT_FALSE(state.m_plugin.IsLoaded());
}

TEST_F(InspectionFixture, ALibraryWithoutARequiredEntryIsNoPlugin) {
    plugin.AddInt32("A", 1);
    for (Variant v : {Variant::NoGetValue, Variant::NoGetField}) {
        SetColumnWidths(300);
        Run(v);
        EXPECT_FALSE(state.m_plugin.IsLoaded());
        EXPECT_EQ(list.GetItemCount(), 0);
        EXPECT_EQ(ColumnWidths(), std::vector<int>(4, 300));
    }
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>(2, "This is not valid TC plugin"));
    // Both were loaded and released again, and never called.
    EXPECT_EQ(plugin.Data().loads, 2);
    EXPECT_EQ(plugin.Data().unloads, 2);
    EXPECT_EQ(plugin.Data().callCount, 0);
}

TEST_F(InspectionFixture, ASystemLibraryIsNoPluginEither) {
    Run("comctl32.dll");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"This is not valid TC plugin"});
    EXPECT_FALSE(state.m_plugin.IsLoaded());
}

TEST_F(InspectionFixture, CodesOutsideTheTablesShowAsUnknownAndTheRunGoesOn) {
    plugin.AddRaw("minus five", -5, wdx::kNumeric32, "\x01\0\0\0", 4);
    plugin.AddRaw("eleven", 11, 0);
    plugin.AddRaw("ten", 10, 10);
    plugin.AddRaw("huge", 0x7FFFFFFF, -4);
    plugin.AddRaw("no such", wdx::kString, wdx::kNoSuchField);
    plugin.AddRaw("error", wdx::kString, wdx::kFileError);
    plugin.AddRaw("empty", wdx::kString, wdx::kFieldEmpty);
    Run();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 7u);
    const std::pair<const char*, const char*> expected[] = {
        {"Unknown", "1"}, {"Unknown", "Unknown"}, {"Unknown", "Unknown"}, {"Unknown", "Unknown"},
        {"String", "<No such Field>"}, {"String", "<Error>"}, {"String", "<Empty>"},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][1], expected[i].first) << i;
        EXPECT_EQ(rows[i][3], expected[i].second) << i;
    }
    EXPECT_EQ(plugin.Calls(Entry::GetValue).size(), 7u);
}

TEST_F(InspectionFixture, FullBuffersWithoutTerminatorAreReadUpToTheirEnd) {
    testplugin::TestField& f = plugin.AddRaw("", wdx::kString, wdx::kString);
    std::memset(f.name, 'n', sizeof f.name);
    f.nameSize = wdx::kBufferSize;
    std::memset(f.value, 'v', sizeof f.value);
    f.valueSize = wdx::kBufferSize;
    Run();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], std::string(wdx::kBufferSize, 'n'));
    EXPECT_EQ(rows[0][3], std::string(wdx::kBufferSize, 'v'));
}

TEST_F(InspectionFixture, AFieldListThatNeverEndsIsCutOffAtTheBound) {
    plugin.AddInt32("first", 1);
    plugin.Data().endlessType = wdx::kNumeric32;
    Run();
    EXPECT_EQ(list.GetItemCount(), wdx::kMaxFields);
    EXPECT_EQ(plugin.Data().callCount, 1 + 2 * wdx::kMaxFields);  // params, then a pair per field
    EXPECT_EQ(list.GetItemText(wdx::kMaxFields - 1, 0), "Field " + std::to_string(wdx::kMaxFields - 1));
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(InspectionFixture, ARunBeforeAnyFileIsChosenPassesAnEmptyPath) {
    plugin.AddInt32("A", 1);
    Run();
    ASSERT_EQ(plugin.Calls(Entry::GetValue).size(), 1u);
    EXPECT_STREQ(plugin.Calls(Entry::GetValue)[0].file, "");
}

TEST_F(InspectionFixture, TheFulltextShownIsWhatTheBufferHoldsAfterTheClosingCall) {
    plugin.AddText("kept", wdx::kFulltext, "from the fetch");
    testplugin::TestField& rewritten = plugin.AddText("rewritten", wdx::kFulltext, "from the fetch");
    std::strcpy(rewritten.closeText, "closing");
    rewritten.closeSize = sizeof "closing";
    rewritten.closeResult = wdx::kFileError;  // ignored
    Run();
    EXPECT_EQ(Rows()[0][3], "from the fetch");
    EXPECT_EQ(Rows()[1][3], "closing");
}

// Only the fetch lies in the measured span: a fetch that keeps the counter
// busy for 20 ms shows at least that, a closing call that does so for half a
// second adds nothing.
TEST_F(InspectionFixture, TheTimeCoversTheFetchAndNotTheClosingCall) {
    const int64_t f = Frequency();
    ASSERT_GT(f, 0);
    plugin.AddInt32("slow fetch", 1).fetchSpinCounts = f / 50;
    plugin.AddText("slow close", wdx::kFulltext, "x").closeSpinCounts = f / 2;
    Run();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_GE(std::stod(rows[0][2]), 20.0);
    EXPECT_LT(std::stod(rows[1][2]), 500.0);
}

// The boxes of a run: modal, captioned "Probelet", with an OK button only.
// Seen from the watcher's thread while they are up, with the test plugin's
// load and unload counts at that moment.
class BoxInspector {
public:
    struct Seen {
        std::string text;
        std::string caption;
        bool ok = false;
        bool others = false;  // Cancel, Yes, No, Abort, Retry, Ignore
        bool ownerDisabled = false;
        int loads = 0;
        int unloads = 0;
    };

    explicit BoxInspector(testplugin::Session& plugin) : m_plugin(plugin) {}
    std::vector<Seen> Boxes() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }

private:
    void Inspect(HWND box) {
        Seen seen;
        char text[2048] = "";
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        seen.text = text;
        ::GetWindowTextA(box, text, sizeof text);
        seen.caption = text;
        seen.ok = ::GetDlgItem(box, IDOK) != nullptr;
        for (int id : {IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE})
            if (::GetDlgItem(box, id)) seen.others = true;
        HWND ownerWindow = ::GetWindow(box, GW_OWNER);
        seen.ownerDisabled = ownerWindow && !::IsWindowEnabled(ownerWindow);
        seen.loads = m_plugin.Data().loads;
        seen.unloads = m_plugin.Data().unloads;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back(seen);
    }

    testplugin::Session& m_plugin;
    std::mutex m_mutex;
    std::vector<Seen> m_seen;
    // Last: its thread starts at once and stops before the rest goes.
    testsupport::MessageBoxWatcher m_watcher{IDOK, [this](HWND box) { Inspect(box); }};
};

TEST(InspectionMessages, AreModalOkBoxesCaptionedWithTheApplicationsName) {
    testsupport::RecordingParent parent{640, 480};
    ::SetActiveWindow(parent.GetHwnd());
    fw::ListCtrl list;
    CreateFieldList(list, parent.GetHwnd());
    InspectionState state;
    testplugin::Session plugin;
    plugin.AddInt32("A", 1);
    BoxInspector boxes(plugin);

    const std::string missing = testsupport::ExeDir() + "\\plugins\\no-such-plugin.wdx";
    ViewReport report{list};
    RunInspection(state, report, missing.c_str());
    RunInspection(state, report, testplugin::Path(Variant::NoGetValue).c_str());
    const std::vector<BoxInspector::Seen> seen = boxes.Boxes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, "Error plugin loading " + missing + " (126)");
    EXPECT_EQ(seen[1].text, "This is not valid TC plugin");
    for (const BoxInspector::Seen& box : seen) {
        EXPECT_EQ(box.caption, "Probelet") << box.text;
        EXPECT_TRUE(box.ok) << box.text;
        EXPECT_FALSE(box.others) << box.text;
        EXPECT_TRUE(box.ownerDisabled) << box.text;
    }
    // The invalid library is still loaded while its box is up: the message
    // comes first, the release after it.
    EXPECT_EQ(seen[1].loads, 1);
    EXPECT_EQ(seen[1].unloads, 0);
    EXPECT_EQ(plugin.Data().unloads, 1);
    EXPECT_FALSE(state.m_plugin.IsLoaded());
}

// A faulted fetch is told while its library is still loaded; a fault in the
// release after it is told in a box of its own.
TEST(InspectionMessages, AFaultedFetchIsToldBeforeTheReleaseAndAFaultingReleaseAfterIt) {
    const std::string faulty = testplugin::Path(Variant::Faulty);
    const std::string fetchFault = "Exception 0xC0000005 in ContentGetValue, field 1, of " + faulty;
    const std::string releaseFault = "Exception 0xC0000094 in DllMain while releasing " + faulty;
    struct Case {
        bool releaseFaults;
        std::vector<std::string> texts;
        std::vector<int> unloadsAtBox;
    };
    for (const Case& c : {Case{false, {fetchFault}, {0}}, Case{true, {fetchFault, releaseFault}, {0, 1}}}) {
        SCOPED_TRACE(c.releaseFaults ? "the release faults too" : "the release is clean");
        testsupport::RecordingParent parent{640, 480};
        fw::ListCtrl list;
        CreateFieldList(list, parent.GetHwnd());
        InspectionState state;
        testplugin::Session plugin;
        plugin.AddInt32("A", 1);
        plugin.AddInt32("B", 2);
        plugin.PlanFault(testplugin::FaultPoint::GetValue, testplugin::FaultKind::AccessViolation, 1);
        if (c.releaseFaults) plugin.AlsoFaultOnUnload(testplugin::FaultKind::DivideByZero);
        BoxInspector boxes(plugin);
        ViewReport report{list};
        RunInspection(state, report, faulty.c_str());

        std::vector<std::string> texts;
        std::vector<int> unloads;
        for (const BoxInspector::Seen& box : boxes.Boxes()) {
            texts.push_back(box.text);
            unloads.push_back(box.unloads);
        }
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(unloads, c.unloadsAtBox);
        EXPECT_EQ(plugin.Data().unloads, 1);
    }
}

}  // namespace
