#include "cli/Report.h"
#include "cli/ReportStream.h"

#include "plugin/PluginInterface.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

std::string Ms(double ms) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return text;
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

// One line per cell, and nothing a terminal would act on: control
// characters (C0, DEL and UTF-8's C1 range, where escape sequences start)
// are shown as escapes.
std::string TerminalSafe(const std::string& text) {
    std::string out;
    char esc[8];
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            std::snprintf(esc, sizeof esc, "\\u%04x", next);
            out += esc;
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Field flags by name, the number after them: "substsize (2)".
std::string FlagText(int flags) {
    static const char* const kSubstitutes[] = {nullptr, "substsize", "substdatetime", "substdate",
                                               "substtime", "substattributes", "substattributestr",
                                               "passthrough_size_float"};
    std::vector<std::string> names;
    if (flags & wdx::kFlagEdit) names.push_back("edit");
    if (const char* subst = kSubstitutes[(flags & wdx::kFlagSubstituteMask) >> 1]) names.push_back(subst);
    if (flags & wdx::kFlagFieldEdit) names.push_back("fieldedit");
    const int rest = flags & ~(wdx::kFlagEdit | wdx::kFlagSubstituteMask | wdx::kFlagFieldEdit);
    char number[32];
    if (rest) {
        std::snprintf(number, sizeof number, "0x%X", static_cast<unsigned>(rest));
        names.push_back(number);
    }
    if (names.empty()) return "0";
    std::snprintf(number, sizeof number, " (%d)", flags);
    return Join(names, "|") + number;
}

template <class T, class F>
std::string JsonOr(const std::optional<T>& value, F write) {
    return value ? write(*value) : std::string("null");
}

// The display width of UTF-8 text: continuation bytes take no column.
size_t Columns(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

std::string ProblemLine(const Problem& p) {
    std::string line = p.kind;
    if (p.file) line += "  " + *p.file;
    if (p.field) line += "  field " + std::to_string(*p.field);
    if (!p.detail.empty()) line += "  " + p.detail;
    return line;
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

Timing Summarize(std::vector<double> samples) {
    Timing t;
    if (samples.empty()) return t;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    t.min = samples.front();
    t.max = samples.back();
    t.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    return t;
}

namespace {

// Rows aligned in columns two spaces apart; the last column runs to the end of the line.
std::string Table(const std::vector<std::vector<std::string>>& rows, const char* indent = "") {
    std::vector<size_t> width(rows[0].size(), 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], Columns(row[c]));
    std::string out;
    for (const auto& row : rows) {
        std::string line = indent;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line.append(width[c] - Columns(row[c]) + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

class TextFormat : public ReportFormat {
public:
    std::string Head(const ReportHead& head) override {
        std::string out = "Plugin: " + TerminalSafe(head.plugin) + " (" + head.arch + ")\n";
        if (head.detectString)
            out += "Detect string: " + (head.detectString->empty() ? "(empty)" : TerminalSafe(*head.detectString)) +
                   "\n";
        return out;
    }
    std::string File(const FileReport& file) override {
        std::string out = "\nFile: " + TerminalSafe(file.file) + "\n";
        // A file the plugin was never asked about: a sentence, not an empty table.
        if (file.message) return out + TerminalSafe(*file.message) + "\n";
        std::vector<std::vector<std::string>> rows = {
            {"#", "Field", "Type", "Units", "Flags", "Result", "Min ms", "Median ms", "Max ms", "Value"}};
        for (const FieldReport& f : file.fields) {
            rows.push_back({std::to_string(f.index), TerminalSafe(f.name),
                            f.type + " (" + std::to_string(f.typeCode) + ")", TerminalSafe(Join(f.units, "|")),
                            f.flags ? FlagText(*f.flags) : "-", f.result ? std::to_string(*f.result) : "-",
                            f.ms ? Ms(f.ms->min) : "-", f.ms ? Ms(f.ms->median) : "-", f.ms ? Ms(f.ms->max) : "-",
                            TerminalSafe(f.value)});
        }
        return out + Table(rows);
    }
    std::string Tail(const std::vector<Problem>& problems, const Summary& summary) override {
        std::string out;
        if (!problems.empty()) {
            out += "\nProblems:\n";
            for (const Problem& p : problems) out += "  " + TerminalSafe(ProblemLine(p)) + "\n";
        }
        // Over one file the summary would only repeat its table.
        if (summary.files < 2) return out;
        out += "\nSummary over " + std::to_string(summary.files) + " files (ms: per-file medians):\n";
        std::vector<std::vector<std::string>> rows = {{"#", "Field", "Files"}};
        for (int k = 0; k < kOutcomes; ++k) rows[0].push_back(OutcomeName(static_cast<Outcome>(k)));
        for (const char* c : {"p50 ms", "p95 ms", "p99 ms", "Max ms"}) rows[0].push_back(c);
        for (const FieldSummary& f : summary.fields) {
            std::vector<std::string> row = {std::to_string(f.index), TerminalSafe(f.name), std::to_string(f.files)};
            for (int k = 0; k < kOutcomes; ++k) row.push_back(std::to_string(f.outcomes[k]));
            for (double v : {f.p50, f.p95, f.p99, f.max}) row.push_back(f.timed ? Ms(v) : "-");
            rows.push_back(std::move(row));
        }
        out += Table(rows, "  ");
        out += "\nSlowest files (sum of the field medians):\n";
        std::vector<std::vector<std::string>> slow = {{"ms", "File"}};
        for (const SlowFile& f : summary.slowest) slow.push_back({Ms(f.ms), TerminalSafe(f.file)});
        return out + Table(slow, "  ");
    }
};

class CsvFormat : public ReportFormat {
public:
    std::string Head(const ReportHead&) override {
        return "file,index,name,type,type_code,units,flags,result,value,ms_min,ms_median,ms_max,fault\r\n";
    }
    std::string File(const FileReport& file) override {
        std::string out;
        // One row for a file not inspected: no field facts, the reason where a fault's would be.
        if (file.message) out += CsvCell(file.file) + ",,,,,,,,,,,," + CsvCell(*file.message) + "\r\n";
        for (const FieldReport& f : file.fields) {
            const std::vector<std::string> cells = {
                file.file, std::to_string(f.index), f.name, f.type, std::to_string(f.typeCode),
                Join(f.units, "|"), f.flags ? std::to_string(*f.flags) : "", f.result ? std::to_string(*f.result) : "",
                f.value, f.ms ? Ms(f.ms->min) : "", f.ms ? Ms(f.ms->median) : "", f.ms ? Ms(f.ms->max) : "",
                f.fault.value_or("")};
            std::string line;
            for (size_t i = 0; i < cells.size(); ++i) line += (i ? "," : "") + CsvCell(cells[i]);
            out += line + "\r\n";
        }
        return out;
    }
    std::string Tail(const std::vector<Problem>&, const Summary&) override { return std::string(); }
};

class JsonFormat : public ReportFormat {
public:
    std::string Head(const ReportHead& head) override {
        auto str = [](const std::string& s) { return JsonString(s); };
        return "{\"plugin\": " + JsonString(head.plugin) + ", \"arch\": " + JsonString(head.arch) +
               ", \"detect_string\": " + JsonOr(head.detectString, str) + ", \"files\": [";
    }
    std::string File(const FileReport& file) override {
        auto str = [](const std::string& s) { return JsonString(s); };
        auto num = [](int n) { return std::to_string(n); };
        std::string out = std::string(m_files++ ? ", " : "") + "\n  {\"file\": " + JsonString(file.file) +
                          ", \"relative\": " + JsonString(file.relative) + ", \"fields\": [";
        for (size_t k = 0; k < file.fields.size(); ++k) {
            const FieldReport& f = file.fields[k];
            std::string units;
            for (size_t u = 0; u < f.units.size(); ++u) units += (u ? ", " : "") + JsonString(f.units[u]);
            out += std::string(k ? "," : "") + "\n    {\"index\": " + num(f.index) + ", \"name\": " +
                   JsonString(f.name) + ", \"type\": " + JsonString(f.type) + ", \"type_code\": " +
                   num(f.typeCode) + ", \"units\": [" + units + "], \"flags\": " + JsonOr(f.flags, num) +
                   ", \"result\": " + JsonOr(f.result, num) + ", \"value\": " + JsonString(f.value) +
                   ", \"ms\": " +
                   JsonOr(f.ms,
                          [](const Timing& t) {
                              return "{\"min\": " + Ms(t.min) + ", \"median\": " + Ms(t.median) +
                                     ", \"max\": " + Ms(t.max) + "}";
                          }) +
                   ", \"fault\": " + JsonOr(f.fault, str) + "}";
        }
        out += "]";
        if (file.message) out += ", \"message\": " + JsonString(*file.message);
        return out + "}";
    }
    std::string Tail(const std::vector<Problem>& problems, const Summary& summary) override {
        auto str = [](const std::string& s) { return JsonString(s); };
        auto num = [](int n) { return std::to_string(n); };
        std::string out = "],\n \"problems\": [";
        for (size_t i = 0; i < problems.size(); ++i) {
            const Problem& p = problems[i];
            out += std::string(i ? "," : "") + "\n  {\"file\": " + JsonOr(p.file, str) +
                   ", \"field\": " + JsonOr(p.field, num) + ", \"kind\": " + JsonString(p.kind) +
                   ", \"detail\": " + JsonString(p.detail) + "}";
        }
        out += "],\n \"summary\": {\"files\": " + std::to_string(summary.files) + ", \"fields\": [";
        for (size_t i = 0; i < summary.fields.size(); ++i) {
            const FieldSummary& f = summary.fields[i];
            std::string results;
            for (int k = 0; k < kOutcomes; ++k)
                results += std::string(k ? ", " : "") + "\"" + OutcomeName(static_cast<Outcome>(k)) +
                           "\": " + std::to_string(f.outcomes[k]);
            out += std::string(i ? "," : "") + "\n  {\"index\": " + num(f.index) + ", \"name\": " +
                   JsonString(f.name) + ", \"files\": " + num(f.files) + ", \"results\": {" + results +
                   "}, \"ms\": " +
                   (f.timed ? "{\"p50\": " + Ms(f.p50) + ", \"p95\": " + Ms(f.p95) + ", \"p99\": " + Ms(f.p99) +
                                  ", \"max\": " + Ms(f.max) + "}"
                            : std::string("null")) +
                   "}";
        }
        out += "],\n  \"slowest\": [";
        for (size_t i = 0; i < summary.slowest.size(); ++i)
            out += std::string(i ? ", " : "") + "{\"file\": " + JsonString(summary.slowest[i].file) +
                   ", \"ms\": " + Ms(summary.slowest[i].ms) + "}";
        return out + "]}}\n";
    }

private:
    size_t m_files = 0;
};

// A whole report through one format.
std::string Whole(ReportFormat&& format, const Report& report) {
    SummaryBuilder summary;
    std::string out = format.Head(ReportHead{report.plugin, report.arch, report.detectString});
    for (const FileReport& file : report.files) {
        summary.Add(file);
        out += format.File(file);
    }
    return out + format.Tail(report.problems, summary.Build());
}

}  // namespace

std::unique_ptr<ReportFormat> MakeTextFormat() { return std::make_unique<TextFormat>(); }
std::unique_ptr<ReportFormat> MakeCsvFormat() { return std::make_unique<CsvFormat>(); }
std::unique_ptr<ReportFormat> MakeJsonFormat() { return std::make_unique<JsonFormat>(); }

std::string ProblemText(const Problem& problem) { return TerminalSafe(ProblemLine(problem)); }

std::string SummaryCsv(const Summary& summary) {
    std::string out = "index,name,files";
    for (int k = 0; k < kOutcomes; ++k) {
        std::string name = OutcomeName(static_cast<Outcome>(k));
        std::replace(name.begin(), name.end(), '-', '_');
        out += "," + name;
    }
    out += ",ms_p50,ms_p95,ms_p99,ms_max\r\n";
    for (const FieldSummary& f : summary.fields) {
        out += std::to_string(f.index) + "," + CsvCell(f.name) + "," + std::to_string(f.files);
        for (int k = 0; k < kOutcomes; ++k) out += "," + std::to_string(f.outcomes[k]);
        for (double v : {f.p50, f.p95, f.p99, f.max}) out += "," + (f.timed ? Ms(v) : std::string());
        out += "\r\n";
    }
    return out;
}

std::string TextReport(const Report& report) { return Whole(TextFormat(), report); }
std::string CsvReport(const Report& report) { return Whole(CsvFormat(), report); }
std::string JsonReport(const Report& report) { return Whole(JsonFormat(), report); }

}  // namespace cli
