// A report written as the run goes: the head once the plugin is known, each
// file as soon as it is complete, then the problems and the summary. Every
// format writes through this, so memory does not grow with the files.
#pragma once

#include "cli/Report.h"
#include "cli/Summary.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Format;

struct ReportHead {
    std::string plugin;
    std::string arch;
    std::optional<std::string> detectString;
};

// The pieces of one format. Text, CSV, JSON and HTML each have one.
class ReportFormat {
public:
    virtual ~ReportFormat() = default;
    virtual std::string Head(const ReportHead& head) = 0;
    virtual std::string File(const FileReport& file) = 0;
    virtual std::string Tail(const std::vector<Problem>& problems, const Summary& summary) = 0;
};
std::unique_ptr<ReportFormat> MakeFormat(Format format);
std::unique_ptr<ReportFormat> MakeTextFormat();
std::unique_ptr<ReportFormat> MakeCsvFormat();
std::unique_ptr<ReportFormat> MakeJsonFormat();
// One problem as the text format prints it, safe for a terminal.
std::string ProblemText(const Problem& problem);
// --summary-csv: the summary's field table.
std::string SummaryCsv(const Summary& summary);

// Writes each piece to out as it comes, and keeps the summary.
class ReportStream {
public:
    // out null: nothing is written, the summary is still kept.
    // expectedFiles: how many files the run asks about, when known.
    ReportStream(Format format, FILE* out, size_t expectedFiles = 0);
    // Begins the report when it has not begun yet.
    void Begin(const ReportHead& head);
    void File(const FileReport& file);
    // Begins it with head if no file came, then the problems and the summary.
    void End(const ReportHead& head, const std::vector<Problem>& problems);
    const SummaryBuilder& Summaries() const { return m_summary; }

private:
    void Write(const std::string& text, bool last = false);

    std::unique_ptr<ReportFormat> m_format;
    FILE* m_out;
    bool m_begun = false;
    unsigned long long m_flushed = 0;
    SummaryBuilder m_summary;
};

}  // namespace cli
