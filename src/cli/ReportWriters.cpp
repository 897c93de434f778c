#include "cli/Report.h"

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

template <class T, class F>
std::string JsonOr(const std::optional<T>& value, F write) {
    return value ? write(*value) : std::string("null");
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

std::string TextReport(const Report& report) {
    std::string out = "Plugin: " + TerminalSafe(report.plugin) + " (" + report.arch + ")\n";
    if (report.detectString)
        out += "Detect string: " + (report.detectString->empty() ? "(empty)" : TerminalSafe(*report.detectString)) + "\n";
    for (const FileReport& file : report.files) {
        out += "\nFile: " + TerminalSafe(file.file) + "\n";
        // A file the plugin was never asked about: a sentence, not an empty table.
        if (file.message) {
            out += TerminalSafe(*file.message) + "\n";
            continue;
        }
        std::vector<std::vector<std::string>> rows = {
            {"#", "Field", "Type", "Units", "Flags", "Result", "Min ms", "Median ms", "Max ms", "Value"}};
        for (const FieldReport& f : file.fields) {
            rows.push_back({std::to_string(f.index), TerminalSafe(f.name),
                            f.type + " (" + std::to_string(f.typeCode) + ")", TerminalSafe(Join(f.units, "|")),
                            f.flags ? FlagText(*f.flags) : "-", f.result ? std::to_string(*f.result) : "-",
                            f.ms ? Ms(f.ms->min) : "-", f.ms ? Ms(f.ms->median) : "-", f.ms ? Ms(f.ms->max) : "-",
                            TerminalSafe(f.value)});
        }
        std::vector<size_t> width(rows[0].size(), 0);
        for (const auto& row : rows)
            for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], Columns(row[c]));
        for (const auto& row : rows) {
            std::string line;
            for (size_t c = 0; c < row.size(); ++c) {
                line += row[c];
                // The last column runs to the end of the line.
                if (c + 1 < row.size()) line.append(width[c] - Columns(row[c]) + 2, ' ');
            }
            out += line + "\n";
        }
    }
    if (!report.problems.empty()) {
        out += "\nProblems:\n";
        for (const Problem& p : report.problems) out += "  " + TerminalSafe(ProblemLine(p)) + "\n";
    }
    return out;
}

std::string CsvReport(const Report& report) {
    std::string out = "file,index,name,type,type_code,units,flags,result,value,ms_min,ms_median,ms_max,fault\r\n";
    for (const FileReport& file : report.files) {
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
    }
    return out;
}

std::string JsonReport(const Report& report) {
    auto str = [](const std::string& s) { return JsonString(s); };
    auto num = [](int n) { return std::to_string(n); };
    std::string out = "{\"plugin\": " + JsonString(report.plugin) + ", \"arch\": " + JsonString(report.arch) +
                      ", \"detect_string\": " + JsonOr(report.detectString, str) + ", \"files\": [";
    for (size_t i = 0; i < report.files.size(); ++i) {
        const FileReport& file = report.files[i];
        out += std::string(i ? ", " : "") + "\n  {\"file\": " + JsonString(file.file) + ", \"fields\": [";
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
        out += "}";
    }
    out += "],\n \"problems\": [";
    for (size_t i = 0; i < report.problems.size(); ++i) {
        const Problem& p = report.problems[i];
        out += std::string(i ? "," : "") + "\n  {\"file\": " + JsonOr(p.file, str) +
               ", \"field\": " + JsonOr(p.field, num) + ", \"kind\": " + JsonString(p.kind) +
               ", \"detail\": " + JsonString(p.detail) + "}";
    }
    return out + "]}\n";
}

}  // namespace cli
