// Benchmark of probelet-cli's run, printed as figures of one run under Wine:
//  (a) with --repeat 1000 over a plugin whose fetches do nothing, the median
//      the program reports against the window's figure: the median span of
//      the same fetch timed bare, in counter ticks;
//  (b) the whole run (load, every fetch under the guard, the text report)
//      against a floor measured here too: the same plugin calls bare (load,
//      field list, the fetches in a timed loop, release) plus the formatting
//      of the same report.
#include "cli/PluginProbe.h"
#include "cli/Report.h"
#include "plugin/PluginInterface.h"
#include "BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kFields = 100;
constexpr int kRepeat = 1000;
constexpr int kRounds = 5;

using bench::Now;

}  // namespace

int main() {
    ::SetEnvironmentVariableA("PROBELET_BENCH_FIELDS", std::to_string(kFields).c_str());
    ::SetEnvironmentVariableA("PROBELET_BENCH_FETCH", "nothing");
    const std::string plugin = bench::BenchPluginPath();
    char exe[MAX_PATH];
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string file = exe;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const double tick = 1000.0 / static_cast<double>(frequency.QuadPart);  // ms

    double bestRun = 1e300, bestFloor = 1e300;
    double reportedMedian = 0;
    int64_t bareMedian = 0;
    for (int round = 0; round < kRounds; ++round) {
        // The floor: the same plugin calls bare (load, field list, timed
        // fetches, release), then the same report formatted.
        std::vector<char> path(file.begin(), file.end());
        path.push_back('\0');
        char value[wdx::kBufferSize];
        char name[wdx::kBufferSize];
        cli::Report floorReport;
        const int64_t f0 = Now();
        HMODULE module = ::LoadLibraryA(plugin.c_str());
        if (!module) {
            std::fprintf(stderr, "cannot load %s\n", plugin.c_str());
            return 1;
        }
        const auto getField = reinterpret_cast<wdx::ContentGetSupportedFieldFn>(
            ::GetProcAddress(module, wdx::kGetSupportedFieldName));
        const auto getValue = reinterpret_cast<wdx::ContentGetValueFn>(::GetProcAddress(module, wdx::kGetValueName));
        for (int i = 0; getField(i, name, value, wdx::kBufferSize) != wdx::kNoMoreFields; ++i) {
        }
        floorReport.files.push_back(cli::FileReport{file, {}, {}});
        std::vector<int64_t> spans(kRepeat);
        for (int field = 0; field < kFields; ++field) {
            std::vector<double> ms(kRepeat);
            for (int r = 0; r < kRepeat; ++r) {
                const int64_t a = Now();
                getValue(path.data(), field, 0, value, wdx::kBufferSize, 0);
                const int64_t b = Now();
                spans[static_cast<size_t>(r)] = b - a;
                ms[static_cast<size_t>(r)] = static_cast<double>(b - a) * tick;
            }
            cli::FieldReport row;
            row.index = field;
            row.name = "Field " + std::to_string(field);
            row.result = wdx::kFieldEmpty;
            row.value = "<Empty>";
            row.ms = cli::Summarize(ms);
            floorReport.files[0].fields.push_back(row);
        }
        ::FreeLibrary(module);
        const std::string floorText = cli::TextReport(floorReport);
        const int64_t f1 = Now();
        std::nth_element(spans.begin(), spans.begin() + kRepeat / 2, spans.end());
        bareMedian = spans[kRepeat / 2];

        cli::ProbeOptions options;
        options.repeat = kRepeat;
        cli::PluginProbe probe(options);
        cli::Report report;
        const int64_t r0 = Now();
        probe.Run(plugin, {file}, report);
        const std::string text = cli::TextReport(report);
        const int64_t r1 = Now();
        if (report.files.empty() || report.files[0].fields.size() != kFields || text.size() < floorText.size() / 2) {
            std::fprintf(stderr, "the run did not report every field\n");
            return 1;
        }
        reportedMedian = report.files[0].fields[0].ms->median;
        bestRun = std::min(bestRun, static_cast<double>(r1 - r0) * tick);
        bestFloor = std::min(bestFloor, static_cast<double>(f1 - f0) * tick);
    }
    std::printf("probelet-cli run, %d fields x --repeat %d, fetches that do nothing, best of %d\n", kFields,
                kRepeat, kRounds);
    std::printf("  (a) counter: %lld counts/s; bare fetch median %lld counts; reported median %.4f ms = %.1f counts"
                " (difference %.1f counts)\n",
                static_cast<long long>(frequency.QuadPart), static_cast<long long>(bareMedian), reportedMedian,
                reportedMedian / tick, reportedMedian / tick - static_cast<double>(bareMedian));
    std::printf("  (b) floor (the same plugin calls bare + the same report formatted): %8.1f ms\n", bestFloor);
    std::printf("      whole run (load, guarded fetches, report):                       %8.1f ms  %5.2f x floor\n", bestRun,
                bestRun / bestFloor);
    return 0;
}
