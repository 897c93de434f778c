// probelet-cli --fuzz: the files that crash a plugin, found before its users
// find them. Valid sample files are mutated and each input is inspected, every
// field, in the plugin's own process, which lives on from input to input and
// is started again only after it hung or died. An input that faults, hangs or
// crashes is saved and shrunk, once per cause; an input whose results or
// values are new for some field is kept and mutated further, a cheap stand-in
// for the coverage a plugin built without instrumentation cannot give.
#pragma once

#include "cli/PluginProbe.h"
#include "cli/Report.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct FuzzOptions {
    std::string plugin;              // UTF-8
    std::vector<std::string> seeds;  // files, UTF-8
    std::string out;                 // the folder findings go to, UTF-8
    long long runs = -1;             // inputs to try; -1: until the time is up
    double seconds = -1;             // -1: until the runs are done
    uint64_t seed = 0;
    ProbeOptions probe;              // the time limit and the INI
    std::wstring hostFolder;         // where the host programs lie
    bool progress = false;
};

struct FuzzFinding {
    Failure cause;
    long long count = 0;  // inputs that met it
    std::string file;     // the first input that met it, saved
    size_t bytes = 0;
    std::string shrunk;   // the smallest input found that still meets it
    size_t shrunkBytes = 0;
};

struct FuzzResult {
    std::string plugin;
    uint64_t seed = 0;
    long long runs = 0;
    double seconds = 0;
    size_t kept = 0;  // inputs kept for their new results
    std::vector<FuzzFinding> findings;
    std::optional<std::string> stopped;  // why it ended before its runs or time were done
};

class Fuzzer {
public:
    explicit Fuzzer(FuzzOptions options) : m_options(std::move(options)) {}

    // Before any run: reads the seeds and makes sure the output folder takes
    // files. false with the reason (a usage error) when either cannot be.
    bool Prepare(std::string& error);
    // NotLoaded (LoadMessage()) when the plugin cannot be used; else Ok or Problems.
    PluginProbe::Status Run(FuzzResult& result);
    const std::string& LoadMessage() const { return m_loadMessage; }

private:
    struct Input {
        std::string bytes;
        std::string extension;  // the seed's, with its dot: plugins go by it
    };
    class Host;

    // The input under a name of its own; empty (result.stopped says why) when it cannot be written.
    std::wstring Write(const Input& input, FuzzResult& result);
    // The answer for the oldest queued input, whose file then goes.
    std::optional<FileReport> Collect(Host& host, const std::wstring& path, FuzzResult& result);
    // One input, written, queued and answered.
    std::optional<FileReport> Inspect(Host& host, const Input& input, FuzzResult& result);
    // The finding's input made smaller while the same cause repeats.
    std::string Shrink(Host& host, const Input& input, const std::string& cause, FuzzResult& result);
    // The first finding name from number on that the output folder does not have yet.
    std::string FreeStem(const Failure& cause, size_t number, const std::string& extension) const;
    bool Save(const std::string& name, const std::string& bytes, FuzzResult& result);
    bool TimeIsUp() const;

    FuzzOptions m_options;
    std::vector<Input> m_seeds;
    std::wstring m_scratch;  // where inputs are written for the plugin
    unsigned long long m_inputCount = 0;
    unsigned long long m_start = 0;
    std::string m_loadMessage;
    bool m_notLoaded = false;
    // The output folder and its parents where we made them: a plugin that does not load leaves none.
    std::vector<std::wstring> m_madeFolders;
};

// The result in each format; JSON is one object with the key "fuzz".
std::string FuzzText(const FuzzResult& result);
std::string FuzzCsv(const FuzzResult& result);
std::string FuzzJson(const FuzzResult& result);

}  // namespace cli
