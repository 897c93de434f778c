#include "cli/CliOptions.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace cli {

const char kUsage[] =
    "probelet-cli [options] PLUGIN FILE|FOLDER...\n"
    "  -r, --repeat N     fetch every field N times; report min, median and max (default 1)\n"
    "  -f, --format F     text (an aligned table, default), csv, json or html (one self-contained page)\n"
    "      --ini PATH     INI path handed to the plugin (default: the host's INI found as the window finds it, else empty)\n"
    "      --check        conformance check, and what the plugin leaves behind (files held\n"
    "                     open, leaks with --repeat 200 or more, threads, an unload that\n"
    "                     fails); exit 1 when it finds a problem\n"
    "      --slow MS      with --check: a median fetch slower than this is a problem (default 100)\n"
    "      --threads N    with --check: fetch every field from N threads at once (2 to 64, default 2)\n"
    "      --timeout MS   end a plugin call that runs longer, as a hang (default 10000; 0: no limit)\n"
    "      --in-process   run the plugin in this process, not in a host process of its own\n"
    "      --recurse      folders: the whole tree, not only their own files\n"
    "      --include GLOB files found in folders: only names like GLOB (repeatable; *.mp3)\n"
    "      --files-from F more files, one path a line, from file F (- for standard input)\n"
    "      --summary-csv F the summary per field, as CSV, into file F\n"
    "      --progress, --no-progress  progress on standard error (default: when it is a terminal)\n"
    "      --watch        after the first run, run again whenever the plugin or a file changes;\n"
    "                     print only what changed (Ctrl+C ends)\n"
    "      --baseline FILE compare with an earlier --format json report of this plugin; a changed value, result,\n"
    "                     field list or file list, or a slower field, is a problem\n"
    "      --slower-factor F with --baseline: a median above F times the baseline's (and 0.05 ms more) is slower\n"
    "                     (above 1, at most 1000; default 2)\n"
    "      --version\n"
    "probelet-cli --fuzz SEED|FOLDER... --out DIR (--runs N | --time SECONDS; with both, the first reached) [--seed N] PLUGIN\n"
    "                     mutate valid sample files and look for inputs that make a field fault, hang or\n"
    "                     crash the plugin's process; each is saved in DIR with a shrunk copy beside it\n"
    "                     (--timeout defaults to 2000 here; --format text, csv or json; exit 1 when found)\n";

namespace {

// A whole number from low to high, nothing else in the text.
template <class Number>
bool ParseWhole(const std::string& text, long low, long high, Number& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || n < low || n > high) return false;
    value = static_cast<Number>(n);
    return true;
}

bool ParseMs(const std::string& text, double& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno || *end || !(v >= 0) || v > 1e9) return false;
    value = v;
    return true;
}

// --fuzz SEED... --out DIR PLUGIN: the plugin is the last positional.
bool FuzzArguments(const std::vector<std::string>& positional, Options& options, std::string& error) {
    if (positional.empty()) {
        error = "no plugin given";
        return false;
    }
    if (positional.size() < 2) {
        error = "--fuzz needs seed files or folders before the plugin";
        return false;
    }
    if (options.out.empty()) {
        error = "--fuzz needs --out DIR, where what it finds is saved";
        return false;
    }
    if (options.runs < 0 && options.seconds < 0) {
        error = "--fuzz needs --runs N or --time SECONDS";
        return false;
    }
    // What the fuzzer runs is its own: none of a run's other ways fit it.
    for (const auto& [set, name] : {std::pair{options.check, "--check"}, std::pair{options.watch, "--watch"},
                                    std::pair{options.inProcess, "--in-process"},
                                    std::pair{!options.baseline.empty(), "--baseline"},
                                    std::pair{!options.filesFrom.empty(), "--files-from"},
                                    std::pair{!options.summaryCsv.empty(), "--summary-csv"},
                                    std::pair{options.repeat != 1, "--repeat"},
                                    std::pair{options.format == Format::Html, "--format html"}})
        if (set) {
            error = std::string(name) + " cannot be used with --fuzz";
            return false;
        }
    if (!options.timeoutGiven) options.timeoutMs = 2000;
    options.plugin = positional.back();
    options.files.assign(positional.begin(), positional.end() - 1);
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    std::vector<std::string> positional;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        // "--name=value" is the same as "--name value".
        std::string inlineValue;
        bool hasInline = false;
        if (arg.compare(0, 2, "--") == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
                hasInline = true;
            }
        }
        auto value = [&](std::string& out) {
            if (hasInline) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--check") {
            options.check = true;
        } else if (arg == "--in-process") {
            options.inProcess = true;
        } else if (arg == "--recurse") {
            options.recurse = true;
        } else if (arg == "--watch") {
            options.watch = true;
        } else if (arg == "--progress") {
            options.progress = Options::Progress::On;
        } else if (arg == "--no-progress") {
            options.progress = Options::Progress::Off;
        } else if (arg == "--include") {
            if (!value(v)) return false;
            if (v.empty()) {
                error = "--include needs a pattern such as *.mp3";
                return false;
            }
            options.include.push_back(v);
        } else if (arg == "--files-from") {
            if (!value(options.filesFrom)) return false;
            if (options.filesFrom.empty()) {
                error = "--files-from needs a file, or - for standard input";
                return false;
            }
        } else if (arg == "--summary-csv") {
            if (!value(options.summaryCsv)) return false;
        } else if (arg == "--fuzz") {
            options.fuzz = true;
        } else if (arg == "--out") {
            if (!value(options.out)) return false;
            if (options.out.empty()) {
                error = "--out needs a folder";
                return false;
            }
        } else if (arg == "--runs") {
            if (!value(v)) return false;
            if (!ParseWhole(v, 1, 2000000000, options.runs)) {
                error = "--runs needs a whole number from 1 to 2000000000, not '" + v + "'";
                return false;
            }
        } else if (arg == "--time") {
            if (!value(v)) return false;
            if (!ParseMs(v, options.seconds) || options.seconds <= 0) {
                error = "--time needs seconds above 0, not '" + v + "'";
                return false;
            }
        } else if (arg == "--seed") {
            if (!value(v)) return false;
            errno = 0;
            char* end = nullptr;
            options.seed = std::strtoull(v.c_str(), &end, 10);
            if (v.empty() || v[0] == '-' || errno || *end) {
                error = "--seed needs a whole number from 0, not '" + v + "'";
                return false;
            }
            options.seedGiven = true;
        } else if (arg == "--timeout") {
            options.timeoutGiven = true;
            if (!value(v)) return false;
            if (!ParseWhole(v, 0, 86400000, options.timeoutMs)) {
                error = "--timeout needs whole milliseconds from 0 (no limit) to 86400000, not '" + v + "'";
                return false;
            }
        } else if (arg == "-r" || arg == "--repeat") {
            if (!value(v)) return false;
            if (!ParseWhole(v, 1, 1000000, options.repeat)) {
                error = "--repeat needs a whole number from 1 to 1000000, not '" + v + "'";
                return false;
            }
        } else if (arg == "-f" || arg == "--format") {
            if (!value(v)) return false;
            if (v == "text") {
                options.format = Format::Text;
            } else if (v == "csv") {
                options.format = Format::Csv;
            } else if (v == "json") {
                options.format = Format::Json;
            } else if (v == "html") {
                options.format = Format::Html;
            } else {
                error = "--format is text, csv, json or html, not '" + v + "'";
                return false;
            }
        } else if (arg == "--ini") {
            if (!value(options.ini)) return false;
            options.iniGiven = true;
        } else if (arg == "--slow") {
            if (!value(v)) return false;
            if (!ParseMs(v, options.slowMs)) {
                error = "--slow needs milliseconds, not '" + v + "'";
                return false;
            }
        } else if (arg == "--threads") {
            if (!value(v)) return false;
            if (!ParseWhole(v, 2, 64, options.threads)) {
                error = "--threads needs a whole number from 2 to 64, not '" + v + "'";
                return false;
            }
        } else if (arg == "--baseline") {
            if (!value(options.baseline)) return false;
            if (options.baseline.empty()) {
                error = "--baseline needs a file";
                return false;
            }
        } else if (arg == "--slower-factor") {
            if (!value(v)) return false;
            // At 1 every jitter would be a problem.
            char* end = nullptr;
            const double factor = v.empty() ? 0 : std::strtod(v.c_str(), &end);
            if (v.empty() || *end || !(factor > 1.0 && factor <= 1000.0)) {
                error = "--slower-factor needs a number above 1 and at most 1000, not '" + v + "'";
                return false;
            }
            options.slowerFactor = factor;
        } else {
            error = "unknown option " + arg;
            return false;
        }
        if (hasInline && (arg == "--check" || arg == "--in-process" || arg == "--recurse" || arg == "--watch" || arg == "--fuzz" || arg == "--progress" ||
                          arg == "--no-progress" || arg == "--version" || arg == "--help")) {
            error = "option " + arg + " takes no value";
            return false;
        }
    }
    if (options.help || options.version) return true;
    if (options.fuzz) return FuzzArguments(positional, options, error);
    if (!options.out.empty() || options.runs >= 0 || options.seconds >= 0 || options.seedGiven) {
        error = "--out, --runs, --time and --seed go with --fuzz";
        return false;
    }
    if (positional.empty()) {
        error = "no plugin given";
        return false;
    }
    if (positional.size() < 2 && options.filesFrom.empty()) {
        error = "no file given";
        return false;
    }
    // Each run of --watch reads the list again; standard input is read once.
    if (options.watch && options.filesFrom == "-") {
        error = "--watch reads the list again for every run: give --files-from a file, not -";
        return false;
    }
    options.plugin = positional[0];
    options.files.assign(positional.begin() + 1, positional.end());
    return true;
}

}  // namespace cli
