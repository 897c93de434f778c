// probelet-cli: what a content plugin returns for files and how long each
// fetch takes, for plugin authors' scripts and CI.
#include "cli/Baseline.h"
#include "cli/CliOptions.h"
#include "cli/FileSet.h"
#include "cli/Fuzzer.h"
#include "cli/Progress.h"
#include "cli/ReportStream.h"
#include "cli/SystemText.h"
#include "cli/IsolatedProbe.h"
#include "cli/ModernValues.h"
#include "cli/PluginProbe.h"
#include "hostconfig/HostIni.h"
#include "probelet_version.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitProblems = 1;
constexpr int kExitNotLoaded = 2;
constexpr int kExitInternal = 3;  // out of memory or another failure of our own
constexpr int kExitUsage = 64;

// The command line as UTF-8: file names outside the ANSI code page survive.
std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) args.push_back(cli::WideToUtf8(argv[i], wcslen(argv[i])));
    ::LocalFree(argv);
    return args;
}

void Write(FILE* stream, const std::string& text) { std::fwrite(text.data(), 1, text.size(), stream); }

// Each file as it is complete: named below its folder, compared with the
// baseline, written (to the report, and for --watch to the kept JSON),
// counted, let go.
class FileWriter : public cli::ProbeListener {
public:
    FileWriter(const cli::FileSet& files, std::vector<cli::ReportStream*> streams, cli::Progress& progress,
               cli::Baseline* baseline, double slowerFactor)
        : m_files(files), m_streams(std::move(streams)), m_progress(progress), m_baseline(baseline),
          m_slowerFactor(slowerFactor) {}

    void OnFileEnd(cli::Report& report) override {
        cli::FileReport& file = report.files.back();
        if (m_next < m_files.paths.size()) file.relative = m_files.Relative(m_next++);
        if (m_baseline) m_baseline->Compare(file, m_slowerFactor, m_changes);
        for (cli::ReportStream* stream : m_streams) {
            stream->Begin(cli::ReportHead{report.plugin, report.arch, report.detectString});
            stream->File(file);
        }
        report.files.clear();
        m_progress.FileDone();
    }
    // What the baseline comparison found.
    std::vector<cli::Problem>& Changes() { return m_changes; }

private:
    const cli::FileSet& m_files;
    std::vector<cli::ReportStream*> m_streams;
    cli::Progress& m_progress;
    cli::Baseline* m_baseline;
    double m_slowerFactor;
    std::vector<cli::Problem> m_changes;
    size_t m_next = 0;
};

// Where one run goes.
struct RunTargets {
    cli::Format format = cli::Format::Text;
    FILE* out = stdout;       // the report; null: none
    FILE* keep = nullptr;     // --watch: the same run as JSON, to compare the next one with
    std::string baseline;     // an earlier JSON report to compare with; empty: none
    FILE* previous = nullptr; // --watch: the run before as JSON, to compare with instead
    // Set: what the comparison finds goes here instead of into the report.
    std::vector<cli::Problem>* changes = nullptr;
    bool progress = false;
};

bool WriteFile(const std::string& utf8Path, const std::string& text) {
    DWORD error = 0;
    return cli::WriteWhole(cli::Utf8ToWide(utf8Path), text, error);
}

int RunOnce(const cli::Options& options, const cli::ProbeOptions& probeOptions, const RunTargets& targets) {
    std::string error;
    cli::FileSet files;
    if (!cli::CollectFiles(cli::FileSetRequest{options.files, options.include, options.filesFrom, options.recurse},
                           files, error)) {
        Write(stderr, "probelet-cli: " + error + "\n");
        return kExitUsage;
    }

    cli::Baseline baseline;
    const bool compared = !targets.baseline.empty() || targets.previous;
    if (targets.previous ? !baseline.Read(targets.previous, "the run before", options.plugin, error)
                         : compared && !baseline.Load(targets.baseline, options.plugin, error)) {
        Write(stderr, "probelet-cli: " + error + "\n");
        return kExitUsage;
    }

    cli::ReportStream stream(targets.format, targets.out, files.paths.size());
    cli::ReportStream kept(cli::Format::Json, targets.keep, files.paths.size());
    std::vector<cli::ReportStream*> streams;
    if (targets.out) streams.push_back(&stream);
    if (targets.keep) streams.push_back(&kept);
    cli::Progress progress(targets.progress, files.paths.size());
    FileWriter writer(files, streams, progress, compared ? &baseline : nullptr, options.slowerFactor);
    cli::Report report;
    cli::PluginProbe::Status status;
    std::string loadMessage;
    if (options.inProcess) {
        cli::PluginProbe probe(probeOptions);
        probe.SetListener(&writer);
        status = probe.Run(options.plugin, files.paths, report);
        loadMessage = probe.LoadMessage();
    } else {
        cli::IsolatedProbe probe(probeOptions, cli::ProgramFolder());
        probe.SetListener(&writer);
        status = probe.Run(options.plugin, files.paths, report);
        loadMessage = probe.LoadMessage();
    }
    progress.Finish();
    if (status == cli::PluginProbe::Status::NotLoaded) {
        Write(stderr, "probelet-cli: " + loadMessage + "\n");
        return kExitNotLoaded;
    }
    std::vector<cli::Problem> problems = files.unreadable;
    problems.insert(problems.end(), report.problems.begin(), report.problems.end());
    if (compared) {
        baseline.Missing(writer.Changes());
        std::vector<cli::Problem>& into = targets.changes ? *targets.changes : problems;
        into.insert(into.end(), writer.Changes().begin(), writer.Changes().end());
    }
    const cli::ReportHead head{report.plugin, report.arch, report.detectString};
    for (cli::ReportStream* s : streams) s->End(head, problems);
    if (!options.summaryCsv.empty() && targets.out &&
        !WriteFile(options.summaryCsv, cli::SummaryCsv(stream.Summaries().Build()))) {
        Write(stderr, "probelet-cli: cannot write the summary to " + options.summaryCsv + "\n");
        return kExitProblems;
    }
    return problems.empty() ? kExitOk : kExitProblems;
}

// What --watch looks at: the plugin and every file the arguments name now.
std::string WatchedState(const cli::Options& options) {
    std::vector<std::string> paths = {options.plugin};
    cli::FileSet files;
    std::string error;
    if (cli::CollectFiles(cli::FileSetRequest{options.files, options.include, options.filesFrom, options.recurse},
                          files, error))
        paths.insert(paths.end(), files.paths.begin(), files.paths.end());
    std::string state;
    for (const std::string& path : paths) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        state += path + '\0';
        if (::GetFileAttributesExW(cli::Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data))
            state.append(reinterpret_cast<const char*>(&data), sizeof data);
    }
    return state;
}

// Where --watch keeps a run as JSON: a file in %TEMP% that the system
// deletes with its last handle, so however the program ends (Ctrl+C too)
// nothing is left behind.
class Scratch {
public:
    explicit Scratch(const char* name) {
        wchar_t folder[MAX_PATH];
        const DWORD n = ::GetTempPathW(MAX_PATH, folder);
        m_path = std::wstring(folder, n) + L"probelet-cli-watch-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 cli::Utf8ToWide(name);
        m_file = _wfopen(m_path.c_str(), L"w+bD");
    }
    ~Scratch() {
        if (m_file) std::fclose(m_file);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    FILE* Get() const { return m_file; }
    // Empty again, for the next run.
    bool Clear() {
        if (!m_file || std::fflush(m_file) != 0 || _chsize(_fileno(m_file), 0) != 0) return false;
        std::rewind(m_file);
        return true;
    }
    std::string Path() const { return cli::WideToUtf8(m_path.data(), m_path.size()); }

private:
    std::wstring m_path;
    FILE* m_file = nullptr;
};

// --watch: the first run as asked, then, whenever the plugin or a file
// changes, a run of its own compared with the one before: only the changes
// are printed. Ends with the program (Ctrl+C).
int Watch(const cli::Options& options, const cli::ProbeOptions& probeOptions, RunTargets first) {
    Scratch a("a.json"), b("b.json");
    Scratch* previous = &a;
    Scratch* next = &b;
    if (!a.Get() || !b.Get()) {
        Write(stderr, "probelet-cli: --watch cannot keep a run to compare with in " +
                          (a.Get() ? b : a).Path() + ": " + std::strerror(errno) + "\n");
        return kExitInternal;
    }
    first.keep = previous->Get();
    // Taken before each run: a change made while it runs, or as "Watching"
    // goes out, starts the next one instead of going unseen.
    std::string seen = WatchedState(options);
    int status = RunOnce(options, probeOptions, first);
    if (status == kExitUsage || status == kExitNotLoaded) return status;
    for (int run = 2;; ++run) {
        Write(stdout, "\nWatching " + options.plugin + " and its files; Ctrl+C ends.\n");
        std::fflush(stdout);
        while (WatchedState(options) == seen) ::Sleep(500);
        ::Sleep(300);  // a build or a copy still writing: its end
        seen = WatchedState(options);
        std::vector<cli::Problem> changes;
        RunTargets again;
        again.out = nullptr;
        again.keep = next->Clear() ? next->Get() : nullptr;
        again.previous = previous->Get();
        again.changes = &changes;
        status = RunOnce(options, probeOptions, again);
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        char when[32];
        std::snprintf(when, sizeof when, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
        std::string text = "\nRun " + std::to_string(run) + " at " + when + ": " +
                           (status == kExitNotLoaded ? std::string("the plugin did not load")
                            : status == kExitUsage   ? std::string("no run, as said above")
                                                     : std::to_string(changes.size()) + " changes") + "\n";
        for (const cli::Problem& p : changes) text += "  " + cli::ProblemText(p) + "\n";
        Write(stdout, text);
        std::fflush(stdout);
        if ((status == kExitOk || status == kExitProblems) && again.keep) std::swap(previous, next);
    }
}

// --fuzz: every seed argument must give a file; the plugin must load before
// any input is tried.
int Fuzz(const cli::Options& options, const cli::ProbeOptions& probeOptions, bool progress) {
    cli::FuzzOptions fuzz;
    for (const std::string& argument : options.files) {
        cli::FileSet found;
        std::string error;
        if (!cli::CollectFiles(cli::FileSetRequest{{argument}, options.include, "", options.recurse}, found, error) ||
            found.paths.empty()) {
            Write(stderr, "probelet-cli: the seed " + argument + " gives no file" + (error.empty() ? "" : ": " + error) +
                              "\n");
            return kExitUsage;
        }
        fuzz.seeds.insert(fuzz.seeds.end(), found.paths.begin(), found.paths.end());
    }
    fuzz.plugin = options.plugin;
    fuzz.out = options.out;
    fuzz.runs = options.runs;
    fuzz.seconds = options.seconds;
    // Told on standard error, so that a run can be repeated exactly.
    const uint64_t seed = options.seedGiven ? options.seed : ::GetTickCount64() ^ ::GetCurrentProcessId();
    fuzz.seed = seed;
    fuzz.probe = probeOptions;
    fuzz.hostFolder = cli::ProgramFolder();
    fuzz.progress = progress;
    cli::Fuzzer fuzzer(std::move(fuzz));
    std::string error;
    if (!fuzzer.Prepare(error)) {
        Write(stderr, "probelet-cli: " + error + "\n");
        return kExitUsage;
    }
    if (!options.seedGiven)
        Write(stderr, "probelet-cli: fuzzing with --seed " + std::to_string(seed) + "\n");
    cli::FuzzResult result;
    if (fuzzer.Run(result) == cli::PluginProbe::Status::NotLoaded) {
        Write(stderr, "probelet-cli: " + fuzzer.LoadMessage() + "\n");
        return kExitNotLoaded;
    }
    Write(stdout, options.format == cli::Format::Json  ? cli::FuzzJson(result)
                  : options.format == cli::Format::Csv ? cli::FuzzCsv(result)
                                                       : cli::FuzzText(result));
    std::fflush(stdout);
    if (result.stopped) Write(stderr, "probelet-cli: fuzzing stopped early: " + *result.stopped + "\n");
    if (!result.findings.empty()) return kExitProblems;
    return result.stopped ? kExitInternal : kExitOk;
}

}  // namespace

int Run() {
    cli::Options options;
    std::string error;
    if (!cli::ParseOptions(Arguments(), options, error)) {
        Write(stderr, "probelet-cli: " + error + "\n" + cli::kUsage);
        return kExitUsage;
    }
    if (options.help) {
        Write(stdout, cli::kUsage);
        return kExitOk;
    }
    if (options.version) {
        Write(stdout, std::string("probelet-cli ") + PROBELET_VERSION + (sizeof(void*) == 8 ? " (x64)\n" : " (x86)\n"));
        return kExitOk;
    }

    cli::ProbeOptions probeOptions;
    probeOptions.repeat = options.repeat;
    probeOptions.check = options.check;
    probeOptions.slowMs = options.slowMs;
    probeOptions.threads = options.threads;
    probeOptions.timeoutMs = options.timeoutMs;
    if (options.iniGiven) {
        probeOptions.ini = cli::Utf8ToAnsiPath(options.ini);
    } else {
        // As the window finds it; without one the plugin gets an empty path.
        hostconfig::PathBuffer ini = {};
        if (hostconfig::FindHostIni(ini)) probeOptions.ini = ini;
    }

    if (options.check && options.repeat < cli::kLeakMinRepeat)
        Write(stderr, "probelet-cli: note: --check looks for leaks only with --repeat " +
                          std::to_string(cli::kLeakMinRepeat) + " or more (given " + std::to_string(options.repeat) +
                          "): not checked for leaks\n");

    RunTargets targets;
    targets.format = options.format;
    targets.baseline = options.baseline;
    targets.progress = options.progress == cli::Options::Progress::On ||
                       (options.progress == cli::Options::Progress::Auto && cli::Progress::ToTerminal());
    if (options.fuzz) return Fuzz(options, probeOptions, targets.progress);
    return options.watch ? Watch(options, probeOptions, targets) : RunOnce(options, probeOptions, targets);
}

int main() {
    // Our own line ends: CSV wants CR LF, the rest LF, untranslated.
    _setmode(_fileno(stdout), _O_BINARY);
    // The C runtime leaves a character device (a console, NUL) unbuffered:
    // the report then costs a system call for every few bytes. The report
    // flushes itself as it goes, and --watch after each run.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    // Every failure becomes a message and a status: nothing ends in terminate().
    try {
        return Run();
    } catch (const std::bad_alloc&) {
        Write(stderr, "probelet-cli: out of memory\n");
    } catch (const std::exception& e) {
        Write(stderr, std::string("probelet-cli: ") + e.what() + "\n");
    } catch (...) {
        Write(stderr, "probelet-cli: unexpected failure\n");
    }
    std::fflush(stdout);
    return kExitInternal;
}
