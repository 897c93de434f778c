// What one run of the console program found: per file and field the facts a
// plugin author asks for, and the contract problems. Texts are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Timing {
    double min = 0;
    double median = 0;
    double max = 0;
};

struct FieldReport {
    int index = 0;
    std::string name;
    std::string type;  // the declared type's text
    int typeCode = 0;
    std::vector<std::string> units;
    std::optional<int> flags;        // without ContentGetSupportedFieldFlags: none
    std::optional<int> result;       // none when the fetch faulted
    std::string value;
    std::optional<Timing> ms;        // none when no fetch completed
    std::optional<std::string> fault;
};

struct FileReport {
    std::string file;
    // The path below the folder argument it was found in (the file's own
    // name for a file argument): what a baseline made elsewhere matches by.
    std::string relative;
    std::vector<FieldReport> fields;
    std::optional<std::string> message;  // why the file was not inspected
};

struct Problem {
    std::optional<std::string> file;
    std::optional<int> field;
    std::string kind;
    std::string detail;
};

struct Report {
    std::string plugin;
    std::string arch;  // "x86" or "x64": the plugin's and so this program's
    std::optional<std::string> detectString;
    std::vector<FileReport> files;
    std::vector<Problem> problems;
};

// The three output formats; each writes the whole report.
std::string TextReport(const Report& report);
std::string CsvReport(const Report& report);
std::string JsonReport(const Report& report);

// Median of the samples (the mean of the middle two for an even count).
Timing Summarize(std::vector<double> samples);

}  // namespace cli
