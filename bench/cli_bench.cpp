// Benchmark of probelet-cli's run, printed as figures of one run under Wine:
//  (a) with --repeat 1000 over a plugin whose fetches do nothing, the median
//      the program reports against the window's figure: the median span of
//      the same fetch timed bare, in counter ticks;
//  (b) the whole run (load, every fetch under the guard, the text report)
//      against a floor measured here too: the same plugin calls bare (load,
//      field list, the fetches in a timed loop, release) plus the formatting
//      of the same report;
//  (c) the isolated run (the plugin in probelet-cli's host process) against
//      the in-process run (--in-process), each a whole run of probelet-cli.exe
//      as a user starts it: 100 fields x --repeat 1000 of the bench plugin,
//      and 1,000 files x the fileinfo sample; and the medians both ways
//      report, field by field, in counter ticks;
//  (d) 10,000 files x the fileinfo sample, a folder argument: the whole run,
//      in-process and isolated, against a floor measured here: the same calls
//      bare plus the same text report formatted; the run with --progress
//      against --no-progress; and the peak memory of the run for 10,000
//      files against that for 1,000;
//  (e) --fuzz over the fileinfo sample: inputs a second of the whole run
//      (mutating, writing each input, every field fetched in the plugin's
//      process, which lives from input to input) against the same number of
//      inputs of the same mutator fetched in-process, already on disk.
#include "cli/IsolatedProbe.h"
#include "cli/ModernValues.h"
#include "cli/PluginProbe.h"
#include "cli/Report.h"
#include "cli/CliOptions.h"
#include "cli/FuzzMutator.h"
#include "cli/ReportStream.h"
#include "cli/SystemText.h"
#include "plugin/PluginInterface.h"
#include "BenchSupport.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kFields = 100;
constexpr int kRepeat = 1000;
constexpr int kRounds = 5;

using bench::Now;

struct RunFigures {
    double ms = 0;
    SIZE_T peakWorkingSet = 0;  // bytes; 0 when the system did not say
    SIZE_T peakPrivate = 0;
};

constexpr wchar_t kCli[] = L"probelet-cli.exe";

// One whole run of a program beside us (probelet-cli.exe, or this one as the
// bare floor), its output thrown away, or kept in the file output names.
RunFigures RunProgram(const std::wstring& exe, const std::wstring& args, const std::wstring& folder,
                      const std::wstring& output = L"") {
    RunFigures out;
    std::wstring commandLine = L"\"" + cli::ProgramFolder() + L"\\" + exe + L"\" " + args;
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    HANDLE kept = output.empty() ? nul
                                 : ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                                 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = kept;
    si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    const int64_t t0 = Now();
    const auto close = [&] {
        if (kept != nul) ::CloseHandle(kept);
        ::CloseHandle(nul);
    };
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &pi)) {
        close();
        return out;
    }
    // Wine counts a process's memory only while it lives: sampled as it runs.
    PROCESS_MEMORY_COUNTERS memory{};
    while (::WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT)
        if (::GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory)) {
            out.peakWorkingSet = std::max(out.peakWorkingSet, memory.PeakWorkingSetSize);
            out.peakPrivate = std::max(out.peakPrivate, memory.PeakPagefileUsage);
        }
    const int64_t t1 = Now();
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    close();
    out.ms = static_cast<double>(t1 - t0) * 1000.0 / static_cast<double>(bench::Frequency());
    return out;
}

// Both ways, interleaved so that both meet the same machine, best of kRounds;
// then the medians each way reports, field by field, in ticks.
struct WaysCompared {
    double inProcessMs = 1e300;
    double isolatedMs = 1e300;
    double widestGapTicks = 0;
    double medianGapTicks = 0;
    bool complete = true;
};

WaysCompared CompareWays(const std::string& plugin, const std::vector<std::string>& names, const std::string& folder,
                         int repeat) {
    WaysCompared out;
    std::wstring args = L"--repeat " + std::to_wstring(repeat) + L" \"" + cli::Utf8ToWide(plugin) + L"\"";
    for (const std::string& name : names) args += L" " + cli::Utf8ToWide(name);
    const std::wstring where = cli::Utf8ToWide(folder);
    for (int round = 0; round < kRounds; ++round) {
        out.inProcessMs = std::min(out.inProcessMs, RunProgram(kCli, L"--in-process " + args, where).ms);
        out.isolatedMs = std::min(out.isolatedMs, RunProgram(kCli, args, where).ms);
    }
    std::vector<std::string> files;
    for (const std::string& name : names) files.push_back(folder + "\\" + name);
    cli::ProbeOptions options;
    options.repeat = repeat;
    cli::Report inProcess, isolated;
    cli::PluginProbe(options).Run(plugin, files, inProcess);
    cli::IsolatedProbe(options, cli::ProgramFolder()).Run(plugin, files, isolated);
    const double tick = 1000.0 / static_cast<double>(bench::Frequency());
    std::vector<double> gaps;
    out.complete = inProcess.files.size() == files.size() && isolated.files.size() == files.size();
    for (size_t f = 0; out.complete && f < files.size(); ++f) {
        const auto& a = inProcess.files[f].fields;
        const auto& b = isolated.files[f].fields;
        out.complete = a.size() == b.size() && !a.empty();
        for (size_t i = 0; out.complete && i < a.size(); ++i)
            if (a[i].ms && b[i].ms) gaps.push_back(std::fabs(a[i].ms->median - b[i].ms->median) / tick);
    }
    if (!gaps.empty()) {
        std::sort(gaps.begin(), gaps.end());
        out.widestGapTicks = gaps.back();
        out.medianGapTicks = gaps[gaps.size() / 2];
    }
    return out;
}

void PrintWays(const char* what, const WaysCompared& w) {
    std::printf("  %s\n", what);
    std::printf("      whole run: --in-process %8.1f ms, isolated %8.1f ms  %5.2f x in-process\n", w.inProcessMs,
                w.isolatedMs, w.isolatedMs / w.inProcessMs);
    std::printf("      medians reported, isolated against in-process: median gap %.1f, widest %.1f counter ticks%s\n",
                w.medianGapTicks, w.widestGapTicks, w.complete ? "" : "  (A RUN DID NOT REPORT EVERY FILE AND FIELD)");
}

// count small files in a folder of their own, removed with it.
class SampleFiles {
public:
    explicit SampleFiles(int count) {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        m_dir = std::string(temp) + "probelet-cli-bench-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(count);
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        // Short names: a thousand of them fit one command line.
        for (int i = 0; i < count; ++i) {
            m_names.push_back("s" + std::to_string(i) + ".txt");
            HANDLE h = ::CreateFileA((m_dir + "\\" + m_names.back()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            const std::string text = "sample " + std::to_string(i) + "\r\n";
            ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            ::CloseHandle(h);
        }
    }
    ~SampleFiles() {
        for (const std::string& name : m_names) ::DeleteFileA((m_dir + "\\" + name).c_str());
        ::RemoveDirectoryA(m_dir.c_str());
    }
    const std::string& Folder() const { return m_dir; }
    const std::vector<std::string>& Names() const { return m_names; }

private:
    std::string m_dir;
    std::vector<std::string> m_names;
};

// The floor of (d), as a program of its own started like probelet-cli:
// the folder listed, the plugin's calls bare, each timed as the program
// times one, each file's rows formatted as text and written to standard
// output as it is done, then the report's end.
int BareRun(const std::string& plugin, const std::string& folder) {
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    const double tick = 1000.0 / static_cast<double>(bench::Frequency());
    HMODULE module = ::LoadLibraryA(plugin.c_str());
    if (!module) return 2;
    const auto getField = reinterpret_cast<wdx::ContentGetSupportedFieldFn>(
        ::GetProcAddress(module, wdx::kGetSupportedFieldName));
    const auto getValue = reinterpret_cast<wdx::ContentGetValueFn>(::GetProcAddress(module, wdx::kGetValueName));
    char value[wdx::kBufferSize];
    char name[wdx::kBufferSize];
    std::vector<cli::FieldReport> fields;
    for (int type; (type = getField(static_cast<int>(fields.size()), name, value, wdx::kBufferSize)) !=
                   wdx::kNoMoreFields;) {
        cli::FieldReport row;
        row.index = static_cast<int>(fields.size());
        row.name = name;
        row.type = cli::TypeName(type);
        row.typeCode = type;
        for (const char* unit = value; *unit;) {
            const char* bar = std::strchr(unit, '|');
            row.units.emplace_back(unit, bar ? static_cast<size_t>(bar - unit) : std::strlen(unit));
            unit = bar ? bar + 1 : unit + row.units.back().size();
        }
        fields.push_back(row);
    }
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 2;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    cli::ReportStream stream(cli::Format::Text, stdout);
    const cli::ReportHead head{plugin, sizeof(void*) == 8 ? "x64" : "x86", std::nullopt};
    stream.Begin(head);
    for (const std::string& n : names) {
        cli::FileReport file;
        file.file = folder + "\\" + n;
        file.relative = n;
        std::vector<char> path(file.file.begin(), file.file.end());
        path.push_back('\0');
        for (cli::FieldReport row : fields) {
            const int64_t a = Now();
            const int result = getValue(path.data(), row.index, 0, value, wdx::kBufferSize, 0);
            const int64_t b = Now();
            row.result = result;
            row.value = cli::ValueText(result, value, wdx::kBufferSize);
            row.ms = cli::Summarize({static_cast<double>(b - a) * tick});
            file.fields.push_back(std::move(row));
        }
        stream.File(file);
    }
    stream.End(head, {});
    ::FreeLibrary(module);
    return 0;
}

void RunAtScale(const std::string& fileinfo, const SampleFiles& thousand) {
    constexpr int kScaleRounds = 4;
    SampleFiles samples(10000);
    const std::wstring plugin = L"\"" + cli::Utf8ToWide(fileinfo) + L"\" ";
    const std::wstring tenK = L"\"" + cli::Utf8ToWide(samples.Folder()) + L"\"";
    const std::wstring oneK = L"\"" + cli::Utf8ToWide(thousand.Folder()) + L"\"";
    const std::wstring here = cli::ProgramFolder();
    double floor = 1e300, inProcess = 1e300, isolated = 1e300, progress = 1e300;
    RunFigures small, large;
    for (int round = 0; round < kScaleRounds; ++round) {
        floor = std::min(floor, RunProgram(L"cli_bench.exe", L"--bare " + plugin + tenK, here).ms);
        // Each first in turn: a run can pay for the one before it.
        if (round % 2) progress = std::min(progress, RunProgram(kCli, L"--in-process --progress " + plugin + tenK, here).ms);
        const RunFigures quiet = RunProgram(kCli, L"--in-process --no-progress " + plugin + tenK, here);
        inProcess = std::min(inProcess, quiet.ms);
        large.peakWorkingSet = std::max(large.peakWorkingSet, quiet.peakWorkingSet);
        large.peakPrivate = std::max(large.peakPrivate, quiet.peakPrivate);
        if (!(round % 2)) progress = std::min(progress, RunProgram(kCli, L"--in-process --progress " + plugin + tenK, here).ms);
        isolated = std::min(isolated, RunProgram(kCli, L"--no-progress " + plugin + tenK, here).ms);
        const RunFigures few = RunProgram(kCli, L"--in-process --no-progress " + plugin + oneK, here);
        small.peakWorkingSet = std::max(small.peakWorkingSet, few.peakWorkingSet);
        small.peakPrivate = std::max(small.peakPrivate, few.peakPrivate);
    }
    std::printf("  (d) fileinfo, 10,000 files as a folder argument, text report, best of %d\n", kScaleRounds);
    std::printf("      floor (a bare program: the same calls + the same report):  %8.1f ms\n", floor);
    std::printf("      whole run --in-process:                                   %8.1f ms  %5.2f x floor\n",
                inProcess, inProcess / floor);
    std::printf("      whole run isolated:                                       %8.1f ms  %5.2f x floor\n",
                isolated, isolated / floor);
    std::printf("      --progress against --no-progress (in-process):            %8.1f ms  %+5.1f %%\n", progress,
                (progress / inProcess - 1) * 100);
    const auto mb = [](size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); };
    const auto more = [](size_t large, size_t small) {
        return small ? (static_cast<double>(large) / static_cast<double>(small) - 1) * 100 : 0.0;
    };
    std::printf("      peak memory (in-process), 10,000 files against 1,000: working set %.1f / %.1f MB (%+.1f %%),"
                " private %.1f / %.1f MB (%+.1f %%)\n",
                mb(large.peakWorkingSet), mb(small.peakWorkingSet), more(large.peakWorkingSet, small.peakWorkingSet),
                mb(large.peakPrivate), mb(small.peakPrivate), more(large.peakPrivate, small.peakPrivate));
}

}  // namespace

void FuzzThroughput(const std::string& fileinfo) {
    constexpr int kInputs = 2000;
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "probelet-cli-bench-fuzz-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(dir.c_str(), nullptr);
    auto write = [](const std::string& path, const std::string& bytes) {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(h);
    };
    const std::string seed = "A sample text of a few lines.\r\nThe second line.\r\nAnd a third, 12345.\r\n";
    write(dir + "\\seed.txt", seed);
    // The floor's inputs: the same mutator from the same seed, on disk before the clock starts.
    cli::FuzzMutator mutator(7);
    std::vector<std::string> inputs;
    for (int i = 0; i < kInputs; ++i) {
        inputs.push_back(dir + "\\in-" + std::to_string(i) + ".txt");
        write(inputs.back(), mutator.Mutate(seed, seed));
    }
    double bestFloor = 1e300, bestFuzz = 1e300, bestRate = 0;
    const std::wstring json = cli::Utf8ToWide(dir) + L"\\fuzz.json";
    for (int round = 0; round < 3; ++round) {
        cli::PluginProbe probe(cli::ProbeOptions{});
        cli::Report report;
        const int64_t t0 = Now();
        probe.Run(fileinfo, inputs, report);
        const int64_t t1 = Now();
        bestFloor = std::min(bestFloor, static_cast<double>(t1 - t0) * 1000.0 / static_cast<double>(bench::Frequency()));
        const std::wstring args = L"--fuzz seed.txt --out found --runs " + std::to_wstring(kInputs) +
                                  L" --seed 7 --format json \"" + cli::Utf8ToWide(fileinfo) + L"\"";
        bestFuzz = std::min(bestFuzz, RunProgram(kCli, args, cli::Utf8ToWide(dir), json).ms);
        // The fuzzer's own rate: from its first input to its last answer, without the two process starts.
        FILE* f = _wfopen(json.c_str(), L"rb");
        char text[512] = "";
        if (f) {
            text[std::fread(text, 1, sizeof text - 1, f)] = '\0';
            std::fclose(f);
        }
        const char key[] = "\"runs_per_second\": ";
        if (const char* at = std::strstr(text, key)) bestRate = std::max(bestRate, std::atof(at + sizeof key - 1));
    }
    ::DeleteFileW(json.c_str());
    for (const std::string& input : inputs) ::DeleteFileA(input.c_str());
    ::DeleteFileA((dir + "\\seed.txt").c_str());
    ::RemoveDirectoryA((dir + "\\found").c_str());
    ::RemoveDirectoryA(dir.c_str());
    const double floorRate = kInputs / (bestFloor / 1000.0), fuzzRate = kInputs / (bestFuzz / 1000.0);
    std::printf("  (e) --fuzz, fileinfo, %d inputs, best of 3\n", kInputs);
    std::printf("      in-process fetches of the inputs, already written: %8.1f ms  %7.0f inputs/s\n", bestFloor, floorRate);
    std::printf("      whole --fuzz run (mutate, write, fetch in the host): %8.1f ms  %7.0f inputs/s  %5.2f of the floor's rate\n",
                bestFuzz, fuzzRate, fuzzRate / floorRate);
    std::printf("      its own rate, fuzzing alone (no process starts):                 %7.0f inputs/s  %5.2f of the floor's rate"
                " (target >= 0.70)\n", bestRate, bestRate / floorRate);
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--bare") return BareRun(argv[2], argv[3]);
    const std::string fileinfoPath = bench::BenchPluginPath().substr(0, bench::BenchPluginPath().find_last_of('\\')) +
                                     "\\fileinfo" + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
    // (e) alone, while working on the fuzzer's speed.
    if (argc == 2 && std::string(argv[1]) == "--fuzz-only") {
        FuzzThroughput(fileinfoPath);
        return 0;
    }
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
        floorReport.files.push_back(cli::FileReport{file, {}, {}, {}, {}});
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

    std::printf("  (c) the plugin in the host process against the same run in-process, best of %d\n", kRounds);
    const std::string exeFolder = file.substr(0, file.find_last_of('\\'));
    PrintWays("bench plugin, 100 fields x --repeat 1000",
              CompareWays(plugin, {file.substr(exeFolder.size() + 1)}, exeFolder, kRepeat));
    const std::string& fileinfo = fileinfoPath;
    SampleFiles samples(1000);
    PrintWays("fileinfo, 1,000 files", CompareWays(fileinfo, samples.Names(), samples.Folder(), 1));
    RunAtScale(fileinfo, samples);
    FuzzThroughput(fileinfo);
    return 0;
}
