// The console program's command line.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class Format { Text, Csv, Json };

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
    std::vector<std::string> files;
};

// Fills options from argv[1..]; on a usage error returns false with the reason.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

extern const char kUsage[];

}  // namespace cli
