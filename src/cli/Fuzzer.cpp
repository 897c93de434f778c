#include "cli/Fuzzer.h"

#include "cli/FuzzMutator.h"
#include "cli/HostChannel.h"
#include "cli/HostProcess.h"
#include "cli/IsolatedProbe.h"
#include "cli/ModernValues.h"
#include "cli/Progress.h"
#include "cli/SystemText.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <unordered_set>

namespace cli {

namespace {

// Seeds bigger than this are cut: a parser's faults sit near the structures it reads first.
constexpr size_t kMaxSeedBytes = FuzzMutator::kMaxSize;
// Kept inputs beyond this replace older kept ones, so memory stays bounded.
constexpr size_t kMaxCorpus = 4096;
// Attempts to shrink one finding, and the time they may take (a crash
// restarts the plugin's process for every attempt that repeats it).
constexpr int kShrinkAttempts = 300;
constexpr ULONGLONG kShrinkMs = 15000;
// Inputs on their way to the plugin's process while one is answered.
constexpr size_t kInFlight = 8;

std::wstring Extension(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.find_last_of(L'.');
    return dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ? std::wstring()
                                                                                     : path.substr(dot);
}

bool ReadWhole(const std::wstring& path, std::string& bytes) {
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(h, &size) != 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, static_cast<LONGLONG>(kMaxSeedBytes))));
        DWORD read = 0;
        ok = bytes.empty() || (::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                               read == bytes.size());
    }
    ::CloseHandle(h);
    return ok;
}

// An input the plugin still held when its answer came (one that keeps its
// last file open, say) could not go then; with the plugin's process ended it
// can, once the server has let go of the process's handles.
void RemoveScratch(const std::wstring& folder) {
    for (int attempt = 0; attempt < 20 && !RemoveTree(folder); ++attempt) ::Sleep(50);
}

// One key per cause: a thousand crashes at one bug are one finding.
std::string CauseKey(const Failure& f) {
    return f.kind + '|' + f.entryPoint + '|' + std::to_string(f.field) + '|' + std::to_string(f.code) + '|' + f.at;
}

// A file name says the kind, the entry point, the field and the code.
std::string FindingStem(const Failure& f, size_t number) {
    std::string entry;
    for (char c : f.entryPoint) entry += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    char code[16];
    std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(f.code));
    return f.kind + "-" + entry + "-" + (f.field >= 0 ? "field" + std::to_string(f.field) : std::string("nofield")) +
           "-" + code + "-" + std::to_string(number);
}

// A field's outcome, with the input's own name taken out (plugins that show
// the name would make every input look new).
uint64_t Signature(const FieldReport& row, const std::string& path) {
    std::string value = row.value;
    const std::string name = path.substr(path.find_last_of("\\/") + 1);
    for (const std::string& own : {path, name})
        for (size_t at; !own.empty() && (at = value.find(own)) != std::string::npos;) value.replace(at, own.size(), "\x01");
    return std::hash<std::string>()(std::to_string(row.index) + '\0' + std::to_string(row.result.value_or(-99)) +
                                    '\0' + value);
}

}  // namespace

// The plugin's process, from input to input; started again after it hung or
// died. Inputs are queued ahead of their answers, so that the process never
// waits for the next one while this one is written.
class Fuzzer::Host {
public:
    explicit Host(const FuzzOptions& options) : m_options(options) {
        bool x64 = false;
        m_exe = HostProgram(options.plugin, options.hostFolder, x64);
    }
    ~Host() { Stop(); }

    enum class Answer { Inspected, NotLoaded, CannotStart };

    // Queues path; false with the reason when no process can be started.
    bool Submit(const std::string& path, std::string& message) {
        if (!m_process && !Restart(message)) return false;
        m_queued.push_back(path);
        m_process->Send(path);  // a child gone already shows in Collect
        return true;
    }

    // The oldest queued file's report, with its failure when the process hung
    // or died on it (the files queued after it go to a new process).
    Answer Collect(FileReport& report, std::string& message) {
        // No process could take the files queued behind a hang or crash.
        if (!m_process || m_queued.empty()) {
            message = m_cannotStart;
            return Answer::CannotStart;
        }
        const std::string path = m_queued.front();
        m_queued.pop_front();
        HostMessage kind;
        std::string body;
        if (m_process->Next(kind, body)) {
            WireReader reader(body.data(), body.size());
            FileMessage file;
            EndMessage end;
            if (kind == HostMessage::File && Get(reader, file)) {
                report = std::move(file.file);
                ++m_answered;
                m_inspected = true;
                return Answer::Inspected;
            }
            if (kind == HostMessage::End && Get(reader, end) &&
                end.status == static_cast<uint32_t>(PluginProbe::Status::NotLoaded)) {
                message = end.loadMessage;
                Drop();
                return Answer::NotLoaded;
            }
            m_process->Reject();
            while (m_process->Next(kind, body)) {
            }
        }
        const DWORD exitCode = m_process->Finish();
        const HostOutcome outcome = HostOutcome::Of(*m_process, exitCode);
        if (!m_inspected && outcome.DiedLoading()) {
            message = outcome.LoadMessage(m_options.plugin, m_options.probe.timeoutMs);
            Drop();
            return Answer::NotLoaded;
        }
        const LONG inFile = m_process->Shared().file;
        report = DiedInFile(path, m_process->Shared(), outcome, m_options.probe.timeoutMs);
        // Between files (on a reload after a fault, say) the rows are another file's.
        if (inFile < 0 || static_cast<size_t>(inFile) != m_answered) report.fields.clear();
        m_process.reset();
        const std::deque<std::string> again = std::move(m_queued);
        m_queued.clear();
        for (const std::string& next : again)
            if (!Submit(next, m_cannotStart)) {
                m_queued.clear();
                break;
            }
        return Answer::Inspected;
    }

    // Lets the plugin unload as the file manager would, then ends the process.
    void Stop() {
        if (!m_process) return;
        m_process->EndRequests();
        HostMessage kind;
        std::string body;
        while (m_process->Next(kind, body)) {
        }
        Drop();
    }

private:
    bool Restart(std::string& message) {
        m_process = std::make_unique<HostProcess>();
        HostJob job{m_options.plugin, m_options.probe, {}};
        job.options.resumed = m_started;
        m_answered = 0;
        if (!m_process->Start(m_exe, job, m_options.probe.timeoutMs, message, true)) {
            m_process.reset();
            return false;
        }
        m_started = true;
        return true;
    }
    void Drop() {
        m_process->Finish();
        m_process.reset();
        m_queued.clear();
    }

    const FuzzOptions& m_options;
    std::wstring m_exe;
    std::unique_ptr<HostProcess> m_process;
    std::deque<std::string> m_queued;  // sent, not answered yet
    std::string m_cannotStart;         // why no process took them again
    size_t m_answered = 0;             // by this process
    bool m_started = false;
    bool m_inspected = false;
};

bool Fuzzer::Prepare(std::string& error) {
    for (const std::string& seed : m_options.seeds) {
        Input input;
        const std::wstring path = Utf8ToWide(seed);
        if (!ReadWhole(path, input.bytes)) {
            error = "cannot read the seed " + seed + ": " + SystemMessage(::GetLastError());
            return false;
        }
        const std::wstring extension = Extension(path);
        input.extension = WideToUtf8(extension.c_str(), extension.size());
        m_seeds.push_back(std::move(input));
    }
    if (m_seeds.empty()) {
        error = "--fuzz has no seed file to start from";
        return false;
    }
    // Findings must have somewhere to go before the first run.
    const std::wstring out = Utf8ToWide(m_options.out);
    const DWORD attributes = ::GetFileAttributesW(out.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "--out " + m_options.out + " is a file, not a folder";
        return false;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Its parents too, as a build script names a folder of its own.
        for (size_t at = out.find_first_of(L"\\/", 3); at != std::wstring::npos; at = out.find_first_of(L"\\/", at + 1))
            if (::CreateDirectoryW(out.substr(0, at).c_str(), nullptr)) m_madeFolders.push_back(out.substr(0, at));
        if (!::CreateDirectoryW(out.c_str(), nullptr)) {
            error = "cannot make the folder " + m_options.out + ": " + SystemMessage(::GetLastError());
            return false;
        }
        m_madeFolders.push_back(out);
    }
    const std::wstring probe = out + L"\\probelet-fuzz-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    DWORD written = 0;
    if (!WriteWhole(probe, "probe", written)) {
        error = "cannot write into " + m_options.out + ": " + SystemMessage(written);
        return false;
    }
    ::DeleteFileW(probe.c_str());

    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    m_scratch = std::wstring(temp, n > MAX_PATH ? 0 : n) + L"probelet-fuzz-" + std::to_wstring(::GetCurrentProcessId());
    if (!::CreateDirectoryW(m_scratch.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        error = "cannot make the folder for the inputs: " + SystemMessage(::GetLastError());
        return false;
    }
    return true;
}

bool Fuzzer::TimeIsUp() const {
    return m_options.seconds > 0 && static_cast<double>(::GetTickCount64() - m_start) / 1000.0 >= m_options.seconds;
}

std::wstring Fuzzer::Write(const Input& input, FuzzResult& result) {
    const std::wstring path = m_scratch + L"\\in-" + std::to_wstring(++m_inputCount) + Utf8ToWide(input.extension);
    DWORD error = 0;
    if (WriteWhole(path, input.bytes, error)) return path;
    result.stopped = "cannot write the input " + WideToUtf8(path.c_str(), path.size()) + ": " + SystemMessage(error);
    return std::wstring();
}

std::optional<FileReport> Fuzzer::Collect(Host& host, const std::wstring& path, FuzzResult& result) {
    FileReport report;
    std::string message;
    const Host::Answer answer = host.Collect(report, message);
    // Its delete tells whether it was still there.
    if (!::DeleteFileW(path.c_str()) && ::GetLastError() == ERROR_FILE_NOT_FOUND && !result.stopped)
        result.stopped = "the input " + WideToUtf8(path.c_str(), path.size()) + " vanished during its run";
    if (answer == Host::Answer::NotLoaded) {
        // After runs, what was found so far still counts.
        if (result.runs > 0 && !result.stopped) result.stopped = "the plugin no longer loads: " + message;
        m_notLoaded = result.runs == 0;
        m_loadMessage = message;
        return std::nullopt;
    }
    if (answer == Host::Answer::CannotStart && !result.stopped) result.stopped = "cannot start the plugin's process: " + message;
    if (result.stopped) return std::nullopt;
    return report;
}

std::optional<FileReport> Fuzzer::Inspect(Host& host, const Input& input, FuzzResult& result) {
    const std::wstring path = Write(input, result);
    std::string message;
    if (path.empty()) return std::nullopt;
    if (!host.Submit(WideToUtf8(path.c_str(), path.size()), message)) {
        ::DeleteFileW(path.c_str());
        result.stopped = "cannot start the plugin's process: " + message;
        return std::nullopt;
    }
    return Collect(host, path, result);
}

std::string Fuzzer::FreeStem(const Failure& cause, size_t number, const std::string& extension) const {
    // An earlier run's findings in the same folder stay as they are.
    for (;; ++number) {
        const std::string stem = FindingStem(cause, number);
        const std::wstring base = Utf8ToWide(m_options.out + "\\" + stem);
        if (::GetFileAttributesW((base + Utf8ToWide(extension)).c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetFileAttributesW((base + L"-min" + Utf8ToWide(extension)).c_str()) == INVALID_FILE_ATTRIBUTES)
            return stem;
    }
}

bool Fuzzer::Save(const std::string& name, const std::string& bytes, FuzzResult& result) {
    DWORD error = 0;
    if (WriteWhole(Utf8ToWide(m_options.out + "\\" + name), bytes, error)) return true;
    result.stopped = "cannot save " + m_options.out + "\\" + name + ": " + SystemMessage(error);
    return false;
}

std::string Fuzzer::Shrink(Host& host, const Input& input, const std::string& cause, FuzzResult& result) {
    Input current = input;
    int attempts = kShrinkAttempts;
    const ULONGLONG until = ::GetTickCount64() + kShrinkMs;
    // Cut halves, then quarters, and so on, keeping every cut after which the same failure comes back.
    for (size_t chunk = current.bytes.size() / 2; chunk >= 1 && attempts > 0 && ::GetTickCount64() < until;) {
        bool cut = false;
        for (size_t at = 0; at + chunk <= current.bytes.size() && attempts > 0 && ::GetTickCount64() < until;) {
            Input candidate{current.bytes.substr(0, at) + current.bytes.substr(at + chunk), current.extension};
            --attempts;
            const std::optional<FileReport> report = Inspect(host, candidate, result);
            if (!report) return current.bytes;
            if (report->failure && CauseKey(*report->failure) == cause) {
                current = std::move(candidate);
                cut = true;
            } else {
                at += chunk;
            }
        }
        if (!cut) chunk /= 2;
    }
    return current.bytes;
}

PluginProbe::Status Fuzzer::Run(FuzzResult& result) {
    m_start = ::GetTickCount64();
    result.plugin = m_options.plugin;
    result.seed = m_options.seed;
    FuzzMutator mutator(m_options.seed);
    Host host(m_options);
    Progress progress(m_options.progress, 0);
    std::vector<Input> corpus = m_seeds;
    std::unordered_set<uint64_t> seen;
    std::map<std::string, size_t> causes;  // key -> index in result.findings
    std::vector<Input> found;              // each finding's input, shrunk at the end
    std::vector<std::string> stems;        // and the name it was saved under

    // The seeds first, as they are; then mutations of the seeds and of what was
    // kept. A few inputs are on their way while one is answered.
    struct Pending {
        Input input;
        bool seed = false;
        std::wstring path;
    };
    std::deque<Pending> pending;
    long long submitted = 0;
    for (;;) {
        while (pending.size() < kInFlight && !result.stopped && (m_options.runs < 0 || submitted < m_options.runs) &&
               !TimeIsUp()) {
            Pending next;
            next.seed = static_cast<size_t>(submitted) < m_seeds.size();
            if (next.seed) {
                next.input = m_seeds[static_cast<size_t>(submitted)];
            } else {
                const Input& parent = corpus[mutator.Below(corpus.size())];
                const Input& other = corpus[mutator.Below(corpus.size())];
                next.input = Input{mutator.Mutate(parent.bytes, other.bytes), parent.extension};
            }
            next.path = Write(next.input, result);
            std::string message;
            if (next.path.empty()) break;
            if (!host.Submit(WideToUtf8(next.path.c_str(), next.path.size()), message)) {
                ::DeleteFileW(next.path.c_str());
                result.stopped = "cannot start the plugin's process: " + message;
                break;
            }
            pending.push_back(std::move(next));
            ++submitted;
        }
        if (pending.empty()) break;
        Pending done = std::move(pending.front());
        pending.pop_front();
        const std::optional<FileReport> report = Collect(host, done.path, result);
        if (m_notLoaded) {
            for (const Pending& p : pending) ::DeleteFileW(p.path.c_str());
            // Nothing was run: nothing is left behind.
            ::RemoveDirectoryW(m_scratch.c_str());
            for (auto folder = m_madeFolders.rbegin(); folder != m_madeFolders.rend(); ++folder)
                ::RemoveDirectoryW(folder->c_str());
            return PluginProbe::Status::NotLoaded;
        }
        if (!report) continue;  // stopped: what is on its way is only collected
        ++result.runs;

        if (report->failure) {
            const std::string key = CauseKey(*report->failure);
            const auto known = causes.find(key);
            if (known != causes.end()) {
                ++result.findings[known->second].count;
            } else {
                causes.emplace(key, result.findings.size());
                FuzzFinding finding;
                finding.cause = *report->failure;
                finding.count = 1;
                const std::string stem = FreeStem(finding.cause, result.findings.size() + 1, done.input.extension);
                finding.file = m_options.out + "\\" + stem + done.input.extension;
                finding.bytes = done.input.bytes.size();
                result.findings.push_back(finding);
                found.push_back(done.input);
                stems.push_back(stem);
                // Saved at once: an interrupted run keeps what it found.
                Save(stem + done.input.extension, done.input.bytes, result);
            }
        } else {
            bool fresh = false;
            for (const FieldReport& row : report->fields) fresh = seen.insert(Signature(row, report->file)).second || fresh;
            if (fresh && !done.seed) {
                ++result.kept;
                // Full: a kept input takes an earlier kept one's place (seeds stay; there may be more of them than room).
                if (corpus.size() < kMaxCorpus || corpus.size() == m_seeds.size())
                    corpus.push_back(std::move(done.input));
                else
                    corpus[m_seeds.size() + mutator.Below(corpus.size() - m_seeds.size())] = std::move(done.input);
            }
        }
        if (m_options.progress) {
            const double seconds = static_cast<double>(::GetTickCount64() - m_start) / 1000.0;
            char line[160];
            std::snprintf(line, sizeof line, "%lld runs, %.0f runs/s, %zu inputs kept, %zu findings", result.runs,
                          seconds > 0 ? static_cast<double>(result.runs) / seconds : 0.0, result.kept,
                          result.findings.size());
            progress.Status(line);
        }
    }
    result.seconds = static_cast<double>(::GetTickCount64() - m_start) / 1000.0;

    // Each finding made as small as it goes, one input at a time.
    for (size_t i = 0; i < result.findings.size() && !result.stopped; ++i) {
        FuzzFinding& finding = result.findings[i];
        const std::string shrunk = Shrink(host, found[i], CauseKey(finding.cause), result);
        const std::string& stem = stems[i];
        finding.shrunk = m_options.out + "\\" + stem + "-min" + found[i].extension;
        finding.shrunkBytes = shrunk.size();
        Save(stem + "-min" + found[i].extension, shrunk, result);
    }
    host.Stop();
    progress.Finish();
    RemoveScratch(m_scratch);
    return result.findings.empty() ? PluginProbe::Status::Ok : PluginProbe::Status::Problems;
}

namespace {

std::string CodeText(const Failure& f) { return f.kind == "hang" ? std::string("-") : Hex(f.code); }

}  // namespace

std::string FuzzText(const FuzzResult& r) {
    char head[256];
    std::snprintf(head, sizeof head, "Fuzzed: %lld runs in %.1f s (%.0f runs/s), seed %llu, %zu inputs kept, %zu %s\n",
                  r.runs, r.seconds, r.seconds > 0 ? static_cast<double>(r.runs) / r.seconds : 0.0,
                  static_cast<unsigned long long>(r.seed), r.kept, r.findings.size(),
                  r.findings.size() == 1 ? "finding" : "findings");
    std::string out = "Plugin: " + r.plugin + "\n" + head;
    for (const FuzzFinding& f : r.findings) {
        const Failure& c = f.cause;
        out += "\n" + c.kind + "  " + c.entryPoint + (c.field >= 0 ? "  field " + std::to_string(c.field) : "") +
               "  " + CodeText(c) + (c.at.empty() ? "" : "  at " + c.at) + "  (" + std::to_string(f.count) +
               (f.count == 1 ? " input)\n" : " inputs)\n");
        out += "  saved  " + f.file + " (" + std::to_string(f.bytes) + " bytes)\n";
        // A run stopped early leaves its findings as they were met.
        out += f.shrunk.empty() ? std::string("  not shrunk\n")
                                : "  shrunk " + f.shrunk + " (" + std::to_string(f.shrunkBytes) + " bytes)\n";
    }
    if (r.stopped) out += "\nStopped early: " + *r.stopped + "\n";
    return out;
}

std::string FuzzCsv(const FuzzResult& r) {
    std::string out = "kind,entry_point,field,code,at,count,file,bytes,shrunk,shrunk_bytes\r\n";
    for (const FuzzFinding& f : r.findings) {
        const Failure& c = f.cause;
        out += CsvCell(c.kind) + "," + CsvCell(c.entryPoint) + "," + (c.field >= 0 ? std::to_string(c.field) : "") +
               "," + CodeText(c) + "," + CsvCell(c.at) + "," + std::to_string(f.count) + "," + CsvCell(f.file) + "," +
               std::to_string(f.bytes) + "," + CsvCell(f.shrunk) + "," +
               (f.shrunk.empty() ? "" : std::to_string(f.shrunkBytes)) + "\r\n";
    }
    return out;
}

std::string FuzzJson(const FuzzResult& r) {
    char numbers[256];
    std::snprintf(numbers, sizeof numbers,
                  "\"seed\": %llu, \"runs\": %lld, \"seconds\": %.3f, \"runs_per_second\": %.1f, \"kept\": %zu",
                  static_cast<unsigned long long>(r.seed), r.runs, r.seconds,
                  r.seconds > 0 ? static_cast<double>(r.runs) / r.seconds : 0.0, r.kept);
    std::string out = "{\"fuzz\": {\"plugin\": " + JsonString(r.plugin) + ", " + numbers +
                      ", \"stopped\": " + (r.stopped ? JsonString(*r.stopped) : "null") + ", \"findings\": [";
    for (size_t i = 0; i < r.findings.size(); ++i) {
        const FuzzFinding& f = r.findings[i];
        const Failure& c = f.cause;
        out += std::string(i ? ", " : "") + "\n  {\"kind\": " + JsonString(c.kind) +
               ", \"entry_point\": " + JsonString(c.entryPoint) +
               ", \"field\": " + (c.field >= 0 ? std::to_string(c.field) : "null") +
               ", \"code\": " + std::to_string(c.code) + ", \"at\": " + (c.at.empty() ? "null" : JsonString(c.at)) +
               ", \"count\": " + std::to_string(f.count) + ", \"file\": " + JsonString(f.file) +
               ", \"bytes\": " + std::to_string(f.bytes) + ", \"shrunk\": " + (f.shrunk.empty() ? "null" : JsonString(f.shrunk)) +
               ", \"shrunk_bytes\": " + (f.shrunk.empty() ? "null" : std::to_string(f.shrunkBytes)) + "}";
    }
    return out + "]}}\n";
}

}  // namespace cli
