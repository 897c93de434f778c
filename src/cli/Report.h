// What one run of the console program found: per file and field the facts a
// plugin author asks for, and the contract problems. Texts are UTF-8.
#pragma once

#include <cstdint>
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

// How a file's inspection ended when a call faulted, hung or took the
// plugin's process down: what --fuzz counts a cause by.
struct Failure {
    std::string kind;        // "fault", "hang" or "crash"
    std::string entryPoint;  // the call in progress, or the last one
    int field = -1;          // the field asked about; -1 outside a field's call
    uint32_t code = 0;       // exception or exit code; 0 for a hang
    std::string at;          // "module+0xOFFSET" of the faulting instruction; empty when unknown
};

struct FileReport {
    std::string file;
    // The path below the folder argument it was found in (the file's own
    // name for a file argument): what a baseline made elsewhere matches by.
    std::string relative;
    std::vector<FieldReport> fields;
    std::optional<std::string> message;  // why the file was not inspected
    std::optional<Failure> failure;
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

// A problem added to the report; file null and field -1 where none is concerned.
inline void AddProblem(Report& report, const std::string* file, int field, const char* kind, std::string detail) {
    Problem p;
    if (file) p.file = *file;
    if (field >= 0) p.field = field;
    p.kind = kind;
    p.detail = std::move(detail);
    report.problems.push_back(std::move(p));
}

// The three output formats; each writes the whole report.
std::string TextReport(const Report& report);
std::string CsvReport(const Report& report);
std::string JsonReport(const Report& report);

// A JSON string literal, and a CSV cell quoted where it must be, of UTF-8 text.
std::string JsonString(const std::string& text);
std::string CsvCell(const std::string& text);

// Median of the samples (the mean of the middle two for an even count).
Timing Summarize(std::vector<double> samples);

}  // namespace cli
