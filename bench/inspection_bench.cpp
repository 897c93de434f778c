// Benchmark of the inspection run, printed as figures of one run under Wine:
//  (a) the time shown for a field whose fetch does nothing, against the
//      resolution of the performance counter: the span of the plugin
//      boundary's guarded fetch beside that of a bare, unguarded one;
//  (b) a whole run over a plugin with 10,000 fields against a floor measured
//      here too: the same plugin calls in a bare loop plus the same 40,000
//      texts inserted into a list-view whose columns are then sized as the
//      run sizes them.
#include "framework/ListCtrl.h"
#include "inspect/FieldRows.h"
#include "inspect/InspectionRun.h"
#include "plugin/PluginInterface.h"
#include "BenchSupport.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kFields = 10000;
constexpr int kRepeats = 5;
constexpr int kBareFetches = 200000;

using bench::Frequency;
using bench::Now;


// The view's rows; a message is printed, not shown.
class PrintingReport : public FieldRowWriter {
public:
    using FieldRowWriter::FieldRowWriter;
    void Tell(const std::string& message) override { std::printf("message: %s\n", message.c_str()); }
};

// A top-level window holding a field list set up as the inspection view's.
class Host {
public:
    Host() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "ProbeletBenchHost";
        fw::RegisterWindowClass(wc);
        m_frame = ::CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                                    nullptr, nullptr, wc.hInstance, nullptr);
        RECT rc;
        ::GetClientRect(m_frame, &rc);
        list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, RECT{0, 0, rc.right, rc.bottom - 21}, m_frame, 1);
        list.SetExtendedStyle(0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        const char* headings[] = {"Field", "Type", "Time(ms)", "Value"};
        for (int i = 0; i < 4; ++i) list.InsertColumn(i, headings[i]);
        for (int i = 0; i < 4; ++i) list.SetColumnWidth(i, LVSCW_AUTOSIZE_USEHEADER);
    }
    ~Host() {
        list.DestroyWindow();
        ::DestroyWindow(m_frame);
    }
    bool Ok() const { return m_frame && list.IsCreated(); }
    void Pump() {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    }
    fw::ListCtrl list;
    PrintingReport report{list};

private:
    HWND m_frame = nullptr;
};

struct Plugin {
    explicit Plugin(const std::string& path) : module(::LoadLibraryA(path.c_str())) {
        if (module) ep = wdx::ResolveEntryPoints(module);
    }
    ~Plugin() {
        if (module) ::FreeLibrary(module);
    }
    HMODULE module;
    wdx::PluginEntryPoints ep;
};

double Ms(int64_t counts, int64_t f) { return counts * 1000.0 / f; }

int64_t Percentile(std::vector<int64_t> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * (v.size() - 1))];
}

// (a) A fetch that does nothing: the spread of the measured span, in counts.
void EmptyFetch(Host& host, int64_t f) {
    ::SetEnvironmentVariableA("PROBELET_BENCH_FETCH", "nothing");
    ::SetEnvironmentVariableA("PROBELET_BENCH_FIELDS", "1000");

    InspectionState state;
    RunInspection(state, host.report, bench::BenchPluginPath().c_str());
    std::vector<std::string> shown;
    for (int i = 0; i < host.list.GetItemCount(); ++i) shown.push_back(host.list.GetItemText(i, 2));
    std::sort(shown.begin(), shown.end());
    state.m_plugin.Release();

    wdx::PluginBoundary boundary;
    if (boundary.Open(bench::BenchPluginPath().c_str()) != wdx::PluginBoundary::OpenResult::Opened) {
        std::printf("(a) cannot load %s\n", bench::BenchPluginPath().c_str());
        return;
    }
    // Guarded and bare fetches interleaved, so that both meet the same machine.
    char file[MAX_PATH] = "";
    char buffer[wdx::kBufferSize] = {};
    const wdx::ContentGetValueFn bare = wdx::ResolveEntryPoints(::GetModuleHandleA(boundary.Path())).getValue;
    std::vector<int64_t> spans(kBareFetches), bareSpans(kBareFetches);
    for (int i = 0; i < kBareFetches; ++i) {
        wdx::ValueFetch fetch;
        boundary.Fetch(0, fetch);
        spans[i] = fetch.second - fetch.first;
        const wdx::TimedFetch t = wdx::FetchValue(bare, file, 0, buffer);
        bareSpans[i] = t.second - t.first;
    }
    std::printf("(a) fetch that does nothing\n");
    std::printf("    counter: %lld counts/s, resolution 1 count = %.4f us\n", static_cast<long long>(f),
                1e6 / static_cast<double>(f));
    std::printf("    run over %zu such fields shows Time(ms) from %s to %s\n", shown.size(),
                shown.empty() ? "-" : shown.front().c_str(), shown.empty() ? "-" : shown.back().c_str());
    const auto report = [&](const char* what, const std::vector<int64_t>& v) {
        std::printf("    %s span over %d fetches: min %lld, median %lld, 99%% %lld counts "
                    "(median %.3f us = %.1f x resolution)\n",
                    what, kBareFetches, static_cast<long long>(Percentile(v, 0)),
                    static_cast<long long>(Percentile(v, 0.5)), static_cast<long long>(Percentile(v, 0.99)),
                    Ms(Percentile(v, 0.5), f) * 1000.0, static_cast<double>(Percentile(v, 0.5)));
    };
    report("guarded", spans);
    report("bare   ", bareSpans);
    std::printf("    guarded - bare median: %lld counts (target: within 1)\n",
                static_cast<long long>(Percentile(spans, 0.5) - Percentile(bareSpans, 0.5)));
}

// (b) A whole run against its floor.
void FullRun(Host& host, int64_t f) {
    ::SetEnvironmentVariableA("PROBELET_BENCH_FETCH", nullptr);
    ::SetEnvironmentVariableA("PROBELET_BENCH_FIELDS", std::to_string(kFields).c_str());
    const std::string path = bench::BenchPluginPath();

    std::vector<int64_t> runs, floors;
    for (int rep = 0; rep < kRepeats; ++rep) {
        // The run.
        host.list.DeleteAllItems();
        host.Pump();
        InspectionState state;
        int64_t t0 = Now();
        RunInspection(state, host.report, path.c_str());
        int64_t t1 = Now();
        runs.push_back(t1 - t0);
        state.m_plugin.Release();
        host.Pump();

        // Its texts, for the floor to insert.
        std::vector<std::array<std::string, 4>> rows(static_cast<size_t>(host.list.GetItemCount()));
        for (size_t i = 0; i < rows.size(); ++i)
            for (int c = 0; c < 4; ++c) rows[i][c] = host.list.GetItemText(static_cast<int>(i), c);
        if (rows.size() != kFields) {
            std::printf("(b) the run listed %zu fields, not %d\n", rows.size(), kFields);
            return;
        }

        // The floor: the plugin calls in a bare loop, then the list-view work.
        host.list.DeleteAllItems();
        host.Pump();
        Plugin plugin(path);
        char file[MAX_PATH] = "";
        char name[wdx::kBufferSize] = {};
        char value[wdx::kBufferSize] = {};
        t0 = Now();
        for (int i = 0; i < kFields; ++i) {
            plugin.ep.getSupportedField(i, name, value, wdx::kBufferSize);
            plugin.ep.getValue(file, i, 0, value, wdx::kBufferSize, 0);
        }
        plugin.ep.getSupportedField(kFields, name, value, wdx::kBufferSize);
        host.list.SetRedraw(false);
        for (int i = 0; i < kFields; ++i) {
            host.list.InsertItem(i, rows[i][0].c_str());
            host.list.SetItemText(i, 1, rows[i][1].c_str());
            host.list.SetItemText(i, 3, rows[i][3].c_str());
            host.list.SetItemText(i, 2, rows[i][2].c_str());
        }
        host.list.SetColumnWidth(0, LVSCW_AUTOSIZE);
        host.list.SetColumnWidth(1, LVSCW_AUTOSIZE);
        host.list.SetColumnWidth(2, LVSCW_AUTOSIZE_USEHEADER);
        host.list.SetColumnWidth(3, LVSCW_AUTOSIZE_USEHEADER);
        host.list.SetRedraw(true);
        host.list.Invalidate();
        t1 = Now();
        floors.push_back(t1 - t0);
        host.Pump();
    }
    const int64_t run = *std::min_element(runs.begin(), runs.end());
    const int64_t floor = *std::min_element(floors.begin(), floors.end());
    std::printf("(b) run over %d fields, best of %d\n", kFields, kRepeats);
    std::printf("    run   %9.3f ms\n", Ms(run, f));
    std::printf("    floor %9.3f ms (bare plugin calls + 40,000 texts inserted + columns sized)\n", Ms(floor, f));
    std::printf("    ratio %.3f (target <= 1.2)\n", static_cast<double>(run) / static_cast<double>(floor));
}

}  // namespace

int main() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    Host host;
    if (!host.Ok()) {
        std::printf("cannot create the field list (is there a display?)\n");
        return 1;
    }
    const int64_t f = Frequency();
    if (f <= 0) {
        std::printf("no performance counter\n");
        return 1;
    }
    EmptyFetch(host, f);
    std::fflush(stdout);
    FullRun(host, f);
    return 0;
}
