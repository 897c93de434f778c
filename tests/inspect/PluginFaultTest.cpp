// Plugins that fault: in every entry point, in DllMain on load and on unload,
// in each of the ways a plugin's code can raise a structured exception. The
// run reports the fault, the process goes on, and a well-behaved plugin is
// inspected correctly right afterwards.
#include "plugin/ProcessCounts.h"
#include "HeldRegisters.h"
#include "InspectionFixture.h"

#include <psapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <iterator>
#include <thread>
#include <tuple>

// The guard's own entry (FaultGuard.cpp): FaultGuard::Invoke around it saves
// registers of its own, which would hide one that the landing point lost.
extern "C" int probelet_guard_invoke(void* frame, void* thunk, void* call);

namespace {

using testplugin::Entry;
using testplugin::FaultKind;
using testplugin::FaultPoint;
using testplugin::Variant;

struct Kind {
    FaultKind kind;
    DWORD code;
    const char* name;
};

const Kind kKinds[] = {
    {FaultKind::AccessViolation, 0xC0000005, "AccessViolation"},
    {FaultKind::DivideByZero, 0xC0000094, "DivideByZero"},
    {FaultKind::IllegalInstruction, 0xC000001D, "IllegalInstruction"},
    {FaultKind::StackOverflow, 0xC00000FD, "StackOverflow"},
    {FaultKind::CxxException, testplugin::kCxxExceptionCode, "CxxException"},
    {FaultKind::FillsRegisters, 0xC0000005, "FillsRegisters"},
};

struct Point {
    FaultPoint point;
    const char* name;
};

const Point kPoints[] = {
    {FaultPoint::Load, "Load"},
    {FaultPoint::SetDefaultParams, "SetDefaultParams"},
    {FaultPoint::GetSupportedField, "GetSupportedField"},
    {FaultPoint::GetValue, "GetValue"},
    {FaultPoint::Unload, "Unload"},
};

std::string Hex(DWORD code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

class PluginFaults : public InspectionFixture, public ::testing::WithParamInterface<std::tuple<Point, Kind>> {
protected:
    void SetUp() override {
        InspectionFixture::SetUp();
        plugin.AddInt32("A", 1);
        plugin.AddText("B", wdx::kString, "bee");
        plugin.AddBool("C", 1);
    }
    // The values of a clean run over the three fields.
    void ExpectCleanRows() {
        const std::vector<Row> rows = Rows();
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0][3], "1");
        EXPECT_EQ(rows[1][3], "bee");
        EXPECT_EQ(rows[2][3], "Yes");
        for (const Row& row : rows) EXPECT_FALSE(row[2].empty());
    }
};

// The faulting field is field 1: field 0 is inspected before it.
TEST_P(PluginFaults, AreReportedAndTheNextPluginIsInspected) {
    const Point point = std::get<0>(GetParam());
    const Kind kind = std::get<1>(GetParam());
    const std::string faulty = testplugin::Path(Variant::Faulty);
    const std::string where = point.point == FaultPoint::Load ? "DllMain while loading " + faulty
                              : point.point == FaultPoint::Unload ? "DllMain while releasing " + faulty
                              : point.point == FaultPoint::SetDefaultParams ? "ContentSetDefaultParams of " + faulty
                              : point.point == FaultPoint::GetSupportedField
                                  ? "ContentGetSupportedField, field 1, of " + faulty
                                  : "ContentGetValue, field 1, of " + faulty;
    const std::string message = "Exception " + Hex(kind.code) + " in " + where;
    SetColumnWidths(111);

    plugin.PlanFault(point.point, kind.kind, 1);
    Run(Variant::Faulty);
    if (point.point == FaultPoint::Unload) {
        ExpectCleanRows();
        EXPECT_TRUE(boxes.Texts().empty());
    } else {
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{message});
        EXPECT_FALSE(state.m_plugin.IsLoaded());
        const std::vector<Row> rows = Rows();
        switch (point.point) {
        case FaultPoint::GetValue:
            ASSERT_EQ(rows.size(), 2u);
            EXPECT_EQ(rows[0][3], "1");
            EXPECT_EQ(rows[1], (Row{"B", "String", "", "<Exception " + Hex(kind.code) + ">"}));
            break;
        case FaultPoint::GetSupportedField:
            ASSERT_EQ(rows.size(), 1u);
            EXPECT_EQ(rows[0][3], "1");
            break;
        default:
            EXPECT_TRUE(rows.empty());
            // The run never reached the fields, so the columns stay.
            EXPECT_EQ(ColumnWidths(), std::vector<int>(4, 111));
        }
        EXPECT_EQ(plugin.Data().fault.faults, 1);
    }

    // The same process inspects a well-behaved plugin; a fault in the faulty
    // one's release is told first.
    Run(Variant::Standard);
    ExpectCleanRows();
    if (point.point == FaultPoint::Unload) EXPECT_EQ(boxes.Texts(), std::vector<std::string>{message});
    else EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(plugin.Data().fault.faults, 1);
    EXPECT_EQ(plugin.Data().unloads, plugin.Data().loads - 1);  // only the standard plugin is left
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Point, Kind>>& info) {
    return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(EveryEntryPointEveryKind, PluginFaults,
                         ::testing::Combine(::testing::ValuesIn(kPoints), ::testing::ValuesIn(kKinds)), CaseName);

// A plugin that raises and catches exceptions of its own (the system's
// IsBadReadPtr, a C++ throw caught inside) at every point is not disturbed.
TEST_F(PluginFaults, ExceptionsThePluginHandlesItselfStayItsOwn) {
    for (const Point& point : kPoints) {
        plugin.PlanFault(point.point, FaultKind::HandledInside, 1);
        Run(Variant::Faulty);
        ExpectCleanRows();
        Run(Variant::Standard);
        ExpectCleanRows();
        EXPECT_EQ(plugin.Data().fault.faults, 1) << point.name;
    }
    EXPECT_TRUE(boxes.Texts().empty());
}

struct GetValueCall {
    wdx::ContentGetValueFn getValue;
    char file[MAX_PATH];
    char value[wdx::kBufferSize];
};

void CallGetValue(void* c) {
    auto* call = static_cast<GetValueCall*>(c);
    call->getValue(call->file, 1, wdx::kUnitValue, call->value, wdx::kBufferSize, 0);
}

// 1 when the call faulted, as the guard's entry answers.
int RunGuarded(void* guard, void* call, void*) {
    return static_cast<wdx::FaultGuard*>(guard)->Run([call]() noexcept { CallGetValue(call); }) ? 0 : 1;
}

// The plugin faults with all ones in every callee-saved register; the caller
// finds its own values there after the guard's entry and after FaultGuard::Run.
TEST_F(PluginFaults, TheCallerGetsEveryCalleeSavedRegisterBack) {
    plugin.PlanFault(FaultPoint::GetValue, FaultKind::FillsRegisters, 1);
    ASSERT_EQ(state.m_plugin.Open(testplugin::Path(Variant::FaultySeh).c_str()),
              wdx::PluginBoundary::OpenResult::Opened);
    GetValueCall call{wdx::ResolveEntryPoints(::GetModuleHandleA(state.m_plugin.Path())).getValue, "", ""};
    void* frame[8] = {};  // the guard's record: on i686 it must lie on the stack
    wdx::FaultGuard guard;
    struct Route {
        const char* name;
        HeldCall held;
    } routes[] = {
        {"guard entry", MakeHeldCall(probelet_guard_invoke, frame, reinterpret_cast<void*>(&CallGetValue), &call)},
        {"FaultGuard::Run", MakeHeldCall(RunGuarded, &guard, &call, nullptr)},
    };
    for (Route& route : routes) {
        EXPECT_EQ(probelet_test_call_holding(&route.held), 1) << route.name;
        EXPECT_EQ(LostRegisters(route.held), std::vector<std::string>{}) << route.name;
    }
    EXPECT_EQ(guard.Code(), 0xC0000005u);
    EXPECT_EQ(plugin.Data().fault.faults, 2);
}

// Overflows in a row on the thread that inspects, each caught as the first
// was. Without its guard pages set again an overflow hangs that thread: a
// watchdog bounds the wait and ends the program, as every later overflow
// would hang too.
TEST_F(PluginFaults, EveryStackOverflowInARowIsCaught) {
    plugin.PlanFault(FaultPoint::GetValue, FaultKind::StackOverflow, 1);
    std::atomic<int> runs{0};
    std::promise<void> done;
    std::thread watchdog([&runs, finished = done.get_future()] {
        if (finished.wait_for(std::chrono::seconds(30)) == std::future_status::ready) return;
        ADD_FAILURE() << "stack overflow " << runs + 1 << " in a row still not caught after 30 s";
        std::fflush(stdout);
        ::TerminateProcess(::GetCurrentProcess(), 1);
    });
    for (; runs < 3; ++runs) Run(Variant::FaultySeh);
    done.set_value();
    watchdog.join();

    const std::string message =
        "Exception 0xC00000FD in ContentGetValue, field 1, of " + testplugin::Path(Variant::FaultySeh);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>(3, message));
    EXPECT_EQ(plugin.Data().fault.faults, 3);
}

// A C++ throw of our own compiler escaping a plugin. On x86-64 it travels as
// the structured exception 0x20474343 ("GCC") and the guard takes it. On i686
// the plugin's DWARF unwinder cannot see past the plugin's own frames: its
// runtime calls terminate() and the process ends (abort, exit code 3) before
// any handler of ours runs.
TEST_F(PluginFaults, AMinGWThrowEscapingThePlugin) {
    plugin.PlanFault(FaultPoint::GetValue, FaultKind::MinGWThrow, 1);
#if defined(__x86_64__)
    Run(Variant::Faulty);
    ASSERT_EQ(Rows().size(), 2u);
    EXPECT_EQ(Rows()[1][3], "<Exception 0x20474343>");
    EXPECT_EQ(boxes.Texts().size(), 1u);
#else
    EXPECT_EXIT(Run(Variant::Faulty), ::testing::ExitedWithCode(3), "terminate");
#endif
}

DWORD GdiCount() { return static_cast<DWORD>(counts::GdiObjects()); }
DWORD UserCount() { return static_cast<DWORD>(counts::UserObjects()); }
// Summed from the committed regions where Wine reports no PrivateUsage.
SIZE_T PrivateBytes() { return static_cast<SIZE_T>(counts::PrivateBytes()); }

// 100 faults in one process, every point and every kind in turn, each
// followed by a clean run: no handle and no memory is left behind.
TEST_F(PluginFaults, AHundredFaultsLeaveNothingBehind) {
    int faults = 0;
    auto faultOnce = [&](int n) {
        const Point& point = kPoints[n % std::size(kPoints)];
        const Kind& kind = kKinds[n / std::size(kPoints) % std::size(kKinds)];
        plugin.PlanFault(point.point, kind.kind, 1);
        Run(Variant::FaultySeh);
        Run(Variant::Standard);
        faults += plugin.Data().fault.faults;
    };
    // First use: the guard's per-thread set-up, the message box's class.
    for (int n = 0; n < 25; ++n) faultOnce(n);
    const DWORD gdi = GdiCount();
    const DWORD user = UserCount();
    const SIZE_T bytes = PrivateBytes();

    for (int n = 0; n < 100; ++n) faultOnce(n);
    EXPECT_EQ(faults, 125);
    EXPECT_EQ(boxes.Texts().size(), 125u);
    ExpectCleanRows();
    // A leak per fault would show as 100 or more; Wine's own caches may
    // still add a few objects late.
    const DWORD objects = 8;
    EXPECT_LE(GdiCount(), gdi + objects);
    EXPECT_LE(UserCount(), user + objects);
    const SIZE_T margin = 512 * 1024;
    EXPECT_LE(PrivateBytes(), bytes + margin) << "grew by " << (PrivateBytes() - bytes) << " bytes";
}

}  // namespace
