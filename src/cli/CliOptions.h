// The console program's command line.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class Format { Text, Csv, Json, Html };

struct Options {
    int repeat = 1;
    Format format = Format::Text;
    bool iniGiven = false;  // --ini was on the command line (an empty path included)
    std::string ini;
    bool check = false;
    double slowMs = 100.0;
    int threads = 2;  // --check: threads that fetch at once
    bool inProcess = false;      // the plugin in our own process, not a host process
    unsigned timeoutMs = 10000;  // bound of every plugin call in the host process; 0: none
    bool help = false;
    bool version = false;
    std::string plugin;
    std::vector<std::string> files;  // files and folders
    bool recurse = false;
    bool watch = false;  // run again whenever the plugin or a file changes
    std::vector<std::string> include;
    std::string filesFrom;   // "-": standard input
    std::string summaryCsv;  // where to write the summary's table as CSV
    // Progress on standard error: only when it is a terminal, unless forced.
    enum class Progress { Auto, On, Off } progress = Progress::Auto;
    std::string baseline;       // an earlier JSON report this run is compared with
    double slowerFactor = 2.0;  // with a baseline: a median this many times its own is slower
    // --fuzz: files is the seeds (files and folders), plugin the last positional.
    bool fuzz = false;
    std::string out;         // where findings are saved
    long long runs = -1;     // inputs to try; -1: not given
    double seconds = -1;     // time to fuzz for; -1: not given
    unsigned long long seed = 0;
    bool seedGiven = false;
    bool timeoutGiven = false;  // --fuzz has a shorter default
};

// Fills options from argv[1..]; on a usage error returns false with the reason.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

extern const char kUsage[];

}  // namespace cli
