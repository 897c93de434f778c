// What a run over many files comes to, field by field: how each fetch ended
// and how the per-file median times spread; and the slowest files. Only this
// grows with the number of files (a time per file and field), not the rows.
#pragma once

#include "cli/Report.h"

#include <string>
#include <vector>

namespace cli {

// How one fetch ended, as the summary counts it.
enum class Outcome { Value, Empty, NotSupported, FileError, Fault, Hang, Crash, Other };
constexpr int kOutcomes = 8;
const char* OutcomeName(Outcome outcome);  // "value", "empty", "not-supported", ...
Outcome OutcomeOf(const FieldReport& row);

struct FieldSummary {
    int index = 0;
    std::string name;
    int files = 0;                  // files that asked for this field
    int outcomes[kOutcomes] = {};   // by Outcome
    int timed = 0;                  // files with a time
    // Nearest-rank percentiles of the per-file medians, in ms; 0 when none was timed.
    double p50 = 0, p95 = 0, p99 = 0, max = 0;
};

struct SlowFile {
    std::string file;
    double ms = 0;  // the sum of its fields' medians
};

struct Summary {
    size_t files = 0;
    std::vector<FieldSummary> fields;  // by field index
    std::vector<SlowFile> slowest;     // at most ten, slowest first
};

class SummaryBuilder {
public:
    // The number of files to come, when known: each field's times are held
    // in one block of that size, not grown by doubling.
    explicit SummaryBuilder(size_t expectedFiles = 0) : m_expected(expectedFiles) {}
    void Add(const FileReport& file);
    Summary Build() const;

private:
    struct Field {
        std::string name;
        int files = 0;
        int outcomes[kOutcomes] = {};
        std::vector<double> medians;
    };
    size_t m_expected;
    size_t m_files = 0;
    std::vector<Field> m_fields;
    std::vector<SlowFile> m_slowest;  // kept to ten as files come
};

}  // namespace cli
