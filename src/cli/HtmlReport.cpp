#include "cli/HtmlReport.h"

#include "plugin/PluginInterface.h"
#include "probelet_version.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace cli {

namespace {

// The page's whole look. Its own: a report is mailed around and opened
// offline, so nothing may come from elsewhere (the policy below refuses it).
const char kStyle[] = R"(
:root{--bg:#fff;--fg:#1d2330;--muted:#667085;--line:#dde2ea;--head:#f4f6f9;--accent:#2457c5;--spread:#9db8ee;
--bad:#c62828;--badbg:#fdecec;--warn:#a15c00;--warnbg:#fff5e0;--code:#eef1f5}
@media (prefers-color-scheme:dark){:root{--bg:#15181e;--fg:#e3e7ee;--muted:#98a2b3;--line:#2c323c;--head:#1c2028;
--accent:#7aa2f7;--spread:#3d5a99;--bad:#ff6b6b;--badbg:#3a1d1d;--warn:#e0b050;--warnbg:#33290f;--code:#262b36}}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--fg);font:14px/1.45 system-ui,"Segoe UI",Roboto,sans-serif}
header,main{max-width:1400px;margin:0 auto;padding:0 24px}
header{padding-top:18px;padding-bottom:10px;border-bottom:1px solid var(--line)}
h1{font-size:22px;margin:0 0 2px;overflow-wrap:anywhere}
h2{font-size:17px;margin:26px 0 10px}
h3{font-size:13px;margin:0;font-weight:600}
a{color:var(--accent);text-decoration:none}a:hover{text-decoration:underline}
code,.mono,h3 .path{font-family:ui-monospace,"Cascadia Mono",Consolas,monospace;font-size:12.5px}
.path{color:var(--muted);overflow-wrap:anywhere;margin:0}
.badge{display:inline-block;font-size:12px;font-weight:600;padding:1px 8px;border-radius:10px;background:var(--code);
color:var(--muted);vertical-align:middle;margin-left:6px}
.badge.bad{background:var(--bad);color:#fff}.badge.good{background:#2e7d32;color:#fff}
nav{margin-top:8px}nav a{margin-right:18px;font-weight:600}
main{display:flex;flex-direction:column;padding-bottom:48px}
#summary{order:1}#timing{order:2}#problems{order:3}#files{order:4}
table{border-collapse:collapse;width:100%}#summary table{width:auto;min-width:50%}
th,td{text-align:left;padding:3px 8px;border-bottom:1px solid var(--line);vertical-align:top}
th{font-size:12px;font-weight:600;color:var(--muted);background:var(--head);white-space:nowrap}
.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
.zero{color:var(--line)}.hot{color:var(--bad);font-weight:600}
.sub{display:block;font-size:11.5px;color:var(--muted)}
.scroll{max-height:60vh;overflow:auto;border:1px solid var(--line)}
.file{margin:0 0 16px;border:1px solid var(--line);border-radius:6px;overflow:hidden}
.file>header{all:unset;display:flex;gap:12px;align-items:baseline;padding:6px 10px;background:var(--head)}
.file>header .path{color:var(--fg);flex:1}
.file table{table-layout:fixed}.file tr:last-child td{border-bottom:0}
.file .c-i{width:38px}.file .c-name{width:17%}.file .c-type{width:13%}.file .c-flags{width:11%}
.file .c-res{width:10%}.file .c-ms{width:110px}
.file p{margin:8px 10px}
.val div{max-height:7.5em;overflow:auto;white-space:pre-wrap;overflow-wrap:anywhere;font-family:ui-monospace,Consolas,monospace;
font-size:12.5px}
.esc{color:var(--warn);background:var(--warnbg);border-radius:3px;padding:0 2px}
.tag{font-size:11px;padding:0 6px;border-radius:8px;background:var(--code);color:var(--muted);white-space:nowrap}
tr.bad td{background:var(--badbg)}tr.bad .tag,.tag.bad{background:var(--bad);color:#fff}
tr.quiet td{color:var(--muted)}tr.warn .tag{background:var(--warnbg);color:var(--warn)}
.fault{color:var(--bad);font-weight:600}
.none{color:var(--muted);font-style:italic}
ol.slow{margin:0;padding-left:2.2em}ol.slow .n{display:inline-block;min-width:7em;text-align:right;margin-right:12px}
.chart{max-width:1000px}
svg{display:block;width:100%;height:auto}
svg text{font-size:12px;fill:var(--fg)}svg .axis text,svg .num{fill:var(--muted)}svg .num{font-size:11px}
svg .grid{stroke:var(--line)}svg .minor{stroke:var(--line);stroke-dasharray:2 3}svg .stripe{fill:var(--head)}
svg .spread{stroke:var(--spread);stroke-width:3;stroke-linecap:round}
svg .mark{fill:var(--accent);stroke:var(--bg);stroke-width:1.5}svg .mark.bad{fill:var(--bad)}
.legend{color:var(--muted);font-size:12.5px;margin:6px 0 0}
)";

std::string Ms(double ms) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return text;
}

// Text for an HTML text or attribute. marked: control characters (C0, DEL,
// UTF-8's C1 range) and the bidirectional overrides, which would hide or
// reorder what the plugin returned, shown as escapes the page sets apart;
// in an attribute they are the bare escape.
std::string Esc(const std::string& text, bool marked = false) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    auto shown = [&](const char* code) {
        if (marked) out += "<span class=\"esc\">";
        out += code;
        if (marked) out += "</span>";
    };
    char code[16];
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const unsigned char c1 = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        const unsigned char c2 = i + 2 < text.size() ? static_cast<unsigned char>(text[i + 2]) : 0;
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        case '\'': out += "&#39;"; continue;
        case '\t': shown("\\t"); continue;
        case '\r': shown("\\r"); continue;
        case '\n':
            shown("\\n");
            if (marked) out += '\n';  // and the break itself, in a pre-wrap cell
            continue;
        default: break;
        }
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(code, sizeof code, "\\x%02x", c);
            shown(code);
        } else if (c == 0xC2 && c1 >= 0x80 && c1 <= 0x9F) {
            std::snprintf(code, sizeof code, "\\u%04x", c1);
            shown(code);
            i += 1;
        } else if (c == 0xE2 && ((c1 == 0x80 && c2 >= 0xAA && c2 <= 0xAE) || (c1 == 0x81 && c2 >= 0xA6 && c2 <= 0xA9))) {
            std::snprintf(code, sizeof code, "\\u%04x", 0x2000 + ((c1 & 0x3F) << 6) + (c2 & 0x3F));
            shown(code);
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// A file's table is found by its name alone, so the summary's slowest files
// link to it without the page keeping a list of the files.
std::string FileId(const std::string& file) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : file) hash = (hash ^ c) * 1099511628211ull;
    char id[32];
    std::snprintf(id, sizeof id, "file-%016llx", static_cast<unsigned long long>(hash));
    return id;
}

std::string FileLink(const std::string& file) {
    return "<a class=\"mono\" href=\"#" + FileId(file) + "\">" + Esc(file, true) + "</a>";
}

// Field flags by name, as the other formats spell them.
std::string FlagText(int flags) {
    static const char* const kSubstitutes[] = {nullptr, "substsize", "substdatetime", "substdate",
                                               "substtime", "substattributes", "substattributestr",
                                               "passthrough_size_float"};
    std::string out;
    auto add = [&](const std::string& name) { out += (out.empty() ? "" : " | ") + name; };
    if (flags & wdx::kFlagEdit) add("edit");
    if (const char* subst = kSubstitutes[(flags & wdx::kFlagSubstituteMask) >> 1]) add(subst);
    if (flags & wdx::kFlagFieldEdit) add("fieldedit");
    if (const int rest = flags & ~(wdx::kFlagEdit | wdx::kFlagSubstituteMask | wdx::kFlagFieldEdit)) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(rest));
        add(hex);
    }
    return out.empty() ? "0" : out + " (" + std::to_string(flags) + ")";
}

bool Bad(Outcome o) { return o == Outcome::Fault || o == Outcome::Hang || o == Outcome::Crash; }

const char* RowClass(Outcome o) {
    if (Bad(o)) return "bad";
    if (o == Outcome::Empty || o == Outcome::NotSupported) return "quiet";
    return o == Outcome::Value ? "" : "warn";
}

std::string Plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The last component of a path, for the page's title.
std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// At most max characters of UTF-8 text, an ellipsis where it was cut.
std::string Shortened(const std::string& text, size_t max) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (chars++ == max - 1) return text.substr(0, i) + "\xE2\x80\xA6";
    }
    return text;
}

struct Row {
    const FieldSummary* field;
    double lo, mid, hi;
};

// One row per field on a log-scale time axis: a mark at the median of the
// per-file medians, a line over their spread.
std::string Chart(const std::vector<Row>& rows, const std::vector<const FieldSummary*>& untimed) {
    if (rows.empty() && untimed.empty()) return "<p class=\"none\">No field was asked.</p>\n";
    double least = 0, most = 0;
    for (const Row& r : rows) {
        for (double v : {r.lo, r.mid, r.hi})
            if (v > 0) least = least > 0 ? std::min(least, v) : v;
        most = std::max(most, r.hi);
    }
    // Whole decades; below a tenth of a microsecond the timer tells nothing.
    int lowDecade = least > 0 ? static_cast<int>(std::floor(std::log10(least))) : -3;
    lowDecade = std::max(lowDecade, -4);
    int highDecade = most > 0 ? static_cast<int>(std::ceil(std::log10(most))) : 0;
    highDecade = std::max(highDecade, lowDecade + 1);

    const int kWidth = 960, kLabel = 210, kRight = 70, kTop = 6, kRow = 24, kAxis = 40;
    const int count = static_cast<int>(rows.size() + untimed.size());
    const int height = kTop + count * kRow + kAxis;
    const double left = kLabel, span = kWidth - kLabel - kRight;
    auto x = [&](double ms) {
        const double d = ms > 0 ? std::log10(ms) : lowDecade;
        return left + span * (std::clamp(d, double(lowDecade), double(highDecade)) - lowDecade) /
                          (highDecade - lowDecade);
    };
    char buf[512];
    std::string out;
    std::snprintf(buf, sizeof buf,
                  "<div class=\"chart\"><svg viewBox=\"0 0 %d %d\" role=\"img\" "
                  "aria-label=\"Median fetch time per field, log scale\">\n",
                  kWidth, height);
    out += buf;
    const int bottom = kTop + count * kRow;
    for (int i = 0; i < count; i += 2) {
        std::snprintf(buf, sizeof buf, "<rect class=\"stripe\" x=\"0\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n",
                      kTop + i * kRow, kWidth, kRow);
        out += buf;
    }
    out += "<g class=\"axis\">\n";
    for (int d = lowDecade; d <= highDecade; ++d) {
        const double at = x(std::pow(10.0, d));
        char label[32];
        std::snprintf(label, sizeof label, "%.*f", d < 0 ? -d : 0, std::pow(10.0, d));
        std::snprintf(buf, sizeof buf,
                      "<line class=\"grid\" x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\"/>"
                      "<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">%s</text>\n",
                      at, kTop, at, bottom + 4, at, bottom + 18, label);
        out += buf;
        for (int k = 2; d < highDecade && k <= 9; ++k) {
            const double minor = x(k * std::pow(10.0, d));
            std::snprintf(buf, sizeof buf, "<line class=\"minor\" x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\"/>\n",
                          minor, kTop, minor, bottom);
            out += buf;
        }
    }
    std::snprintf(buf, sizeof buf, "<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">ms (log scale)</text>\n</g>\n",
                  left + span / 2, bottom + 35);
    out += buf;

    int i = 0;
    auto label = [&](const FieldSummary& f, double y) {
        std::snprintf(buf, sizeof buf, "<text x=\"%d\" y=\"%.1f\" text-anchor=\"end\">", kLabel - 12, y + 4);
        out += buf + Esc(Shortened(f.name, 30)) + "<title>" + Esc(f.name) + "</title></text>\n";
    };
    for (const Row& r : rows) {
        const FieldSummary& f = *r.field;
        const double y = kTop + i++ * kRow + kRow / 2.0;
        label(f, y);
        const double x1 = x(r.lo), x2 = x(r.hi), xm = x(r.mid);
        std::snprintf(buf, sizeof buf, "<line class=\"spread\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n",
                      x1, y, std::max(x2, x1 + 0.1), y);
        out += buf;
        const bool bad = f.outcomes[int(Outcome::Fault)] + f.outcomes[int(Outcome::Hang)] +
                         f.outcomes[int(Outcome::Crash)] > 0;
        std::snprintf(buf, sizeof buf, "<circle class=\"mark%s\" cx=\"%.1f\" cy=\"%.1f\" r=\"5\"><title>",
                      bad ? " bad" : "", xm, y);
        out += buf + Esc(f.name) + ": median " + Ms(r.mid) + " ms; " +
               (f.timed > 1 ? "p95 " + Ms(f.p95) + ", p99 " + Ms(f.p99) + ", max " + Ms(f.max) + " ms over " +
                                  std::to_string(f.timed) + " files"
                            : "repeats " + Ms(r.lo) + " to " + Ms(r.hi) + " ms") +
               "</title></circle>\n";
        std::snprintf(buf, sizeof buf, "<text class=\"num\" x=\"%.1f\" y=\"%.1f\">%s</text>\n",
                      std::max(x2, xm) + 9, y + 4, Ms(r.mid).c_str());
        out += buf;
    }
    for (const FieldSummary* f : untimed) {
        const double y = kTop + i++ * kRow + kRow / 2.0;
        label(*f, y);
        std::snprintf(buf, sizeof buf, "<text class=\"num\" x=\"%.1f\" y=\"%.1f\">no fetch completed</text>\n",
                      left + 6, y + 4);
        out += buf;
    }
    return out + "</svg></div>\n";
}

}  // namespace

std::string HtmlFormat::Head(const ReportHead& head) {
    const std::string name = BaseName(head.plugin);
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"probelet-cli " PROBELET_VERSION "\">\n"
        "<title>" + Esc(name) + " \xE2\x80\x94 Probelet report</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n"
        "<header>\n<h1>" + Esc(name, true) + "<span class=\"badge\">" + Esc(head.arch) + "</span></h1>\n"
        "<p class=\"path mono\">" + Esc(head.plugin, true) + "</p>\n";
    if (head.detectString)
        out += "<p>Detect string: " +
               (head.detectString->empty() ? std::string("<span class=\"none\">(empty)</span>")
                                           : "<code>" + Esc(*head.detectString, true) + "</code>") +
               "</p>\n";
    return out +
           "<nav><a href=\"#summary\">Summary</a><a href=\"#timing\">Timing</a><a href=\"#problems\">Problems</a>"
           "<a href=\"#files\">Files</a></nav>\n</header>\n<main>\n<section id=\"files\">\n<h2>Files</h2>\n";
}

std::string HtmlFormat::File(const FileReport& file) {
    std::string rows;
    double total = 0;
    int bad = 0;
    for (const FieldReport& f : file.fields) {
        const Outcome outcome = OutcomeOf(f);
        bad += Bad(outcome);
        if (f.index >= 0 && f.ms) {
            if (static_cast<size_t>(f.index) >= m_extremes.size()) m_extremes.resize(static_cast<size_t>(f.index) + 1);
            Extremes& e = m_extremes[static_cast<size_t>(f.index)];
            e.min = e.timed ? std::min(e.min, f.ms->min) : f.ms->min;
            e.max = e.timed ? std::max(e.max, f.ms->max) : f.ms->max;
            e.timed = true;
            total += f.ms->median;
        }
        std::string units;
        for (size_t u = 0; u < f.units.size(); ++u) units += (u ? "|" : "") + f.units[u];
        rows += std::string("<tr class=\"") + RowClass(outcome) + "\"><td class=\"n\">" + std::to_string(f.index) +
                "</td><td>" + Esc(f.name, true) + "</td><td>" + Esc(f.type) + " (" + std::to_string(f.typeCode) + ")";
        if (!units.empty()) rows += "<span class=\"sub\">" + Esc(units, true) + "</span>";
        rows += "</td><td>" + (f.flags ? FlagText(*f.flags) : std::string("\xE2\x80\x93")) + "</td><td>" +
                (f.result ? std::to_string(*f.result) : std::string("\xE2\x80\x93"));
        if (outcome != Outcome::Value) rows += std::string(" <span class=\"tag\">") + OutcomeName(outcome) + "</span>";
        rows += "</td><td class=\"n\">";
        if (f.ms) {
            rows += Ms(f.ms->median);
            if (f.ms->min != f.ms->max)
                rows += "<span class=\"sub\">" + Ms(f.ms->min) + " \xE2\x80\x93 " + Ms(f.ms->max) + "</span>";
        } else {
            rows += "\xE2\x80\x93";
        }
        rows += "</td><td class=\"val\"><div>" + Esc(f.value, true) + "</div>";
        if (f.fault) rows += "<span class=\"fault\">" + Esc(*f.fault, true) + "</span>";
        rows += "</td></tr>\n";
    }
    std::string out = "<section class=\"file\" id=\"" + FileId(file.file) + "\">\n<header><h3 class=\"path\">" +
                      Esc(file.file, true) + "</h3>";
    if (file.message) return out + "</header>\n<p class=\"none\">" + Esc(*file.message, true) + "</p>\n</section>\n";
    out += "<span class=\"sub\">" + Plural(file.fields.size(), "field", "fields") + ", " + Ms(total) + " ms in all</span>";
    if (bad) out += "<span class=\"badge bad\">" + Plural(size_t(bad), "failed fetch", "failed fetches") + "</span>";
    return out +
           "</header>\n<table>\n<colgroup><col class=\"c-i\"><col class=\"c-name\"><col class=\"c-type\">"
           "<col class=\"c-flags\"><col class=\"c-res\"><col class=\"c-ms\"><col></colgroup>\n"
           "<thead><tr><th class=\"n\">#</th><th>Field</th><th>Type, units</th><th>Flags</th><th>Result</th>"
           "<th class=\"n\">Median ms<span class=\"sub\">min \xE2\x80\x93 max</span></th><th>Value</th></tr></thead>\n"
           "<tbody>\n" + rows + "</tbody>\n</table>\n</section>\n";
}

std::string HtmlFormat::Tail(const std::vector<Problem>& problems, const Summary& summary) {
    std::string out;
    if (summary.files == 0) out += "<p class=\"none\">No file was inspected.</p>\n";
    out += "</section>\n";

    out += "<section id=\"problems\">\n<h2>Problems<span class=\"badge" + std::string(problems.empty() ? "" : " bad") +
           "\">" + std::to_string(problems.size()) + "</span></h2>\n";
    if (problems.empty()) {
        out += "<p class=\"none\">None found.</p>\n";
    } else {
        out += "<div class=\"scroll\"><table>\n<thead><tr><th>Kind</th><th>File</th><th class=\"n\">Field</th>"
               "<th>Detail</th></tr></thead>\n<tbody>\n";
        for (const Problem& p : problems)
            out += "<tr><td><span class=\"tag bad\">" + Esc(p.kind) + "</span></td><td>" +
                   (p.file ? FileLink(*p.file) : std::string()) + "</td><td class=\"n\">" +
                   (p.field ? std::to_string(*p.field) : std::string()) + "</td><td>" + Esc(p.detail, true) +
                   "</td></tr>\n";
        out += "</tbody>\n</table></div>\n";
    }
    out += "</section>\n";

    // Only the outcomes that happened get a column; a value always does.
    bool shown[kOutcomes] = {true};
    for (const FieldSummary& f : summary.fields)
        for (int k = 0; k < kOutcomes; ++k) shown[k] = shown[k] || f.outcomes[k] > 0;
    out += "<section id=\"summary\">\n<h2>Summary</h2>\n<p>" + Plural(summary.files, "file", "files") + ", " +
           Plural(summary.fields.size(), "field", "fields") + "; <a href=\"#problems\"><span class=\"badge" +
           (problems.empty() ? " good\">no problems" : " bad\">" + Plural(problems.size(), "problem", "problems")) +
           "</span></a></p>\n<table>\n<thead><tr><th class=\"n\">#</th><th>Field</th><th class=\"n\">Files</th>";
    for (int k = 0; k < kOutcomes; ++k)
        if (shown[k]) out += std::string("<th class=\"n\">") + OutcomeName(Outcome(k)) + "</th>";
    out += "<th class=\"n\">p50 ms</th><th class=\"n\">p95 ms</th><th class=\"n\">p99 ms</th><th class=\"n\">max ms</th>"
           "</tr></thead>\n<tbody>\n";
    for (const FieldSummary& f : summary.fields) {
        out += "<tr><td class=\"n\">" + std::to_string(f.index) + "</td><td>" + Esc(f.name, true) +
               "</td><td class=\"n\">" + std::to_string(f.files) + "</td>";
        for (int k = 0; k < kOutcomes; ++k) {
            if (!shown[k]) continue;
            const int n = f.outcomes[k];
            out += std::string("<td class=\"n") + (n == 0 ? " zero" : Bad(Outcome(k)) ? " hot" : "") + "\">" +
                   std::to_string(n) + "</td>";
        }
        for (double v : {f.p50, f.p95, f.p99, f.max})
            out += "<td class=\"n\">" + (f.timed ? Ms(v) : std::string("\xE2\x80\x93")) + "</td>";
        out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n<h2>Slowest files</h2>\n";
    // A file not inspected, or whose every fetch failed, took no time to speak of.
    std::string slowest;
    for (const SlowFile& s : summary.slowest)
        if (s.ms > 0) slowest += "<li><span class=\"n\">" + Ms(s.ms) + " ms</span>" + FileLink(s.file) + "</li>\n";
    out += slowest.empty() ? "<p class=\"none\">No file was timed.</p>\n"
                           : "<ol class=\"slow\">\n" + slowest +
                                 "</ol>\n<p class=\"legend\">The sum of each file's field medians.</p>\n";
    out += "</section>\n";

    std::vector<Row> rows;
    std::vector<const FieldSummary*> untimed;
    for (const FieldSummary& f : summary.fields) {
        if (!f.timed) {
            untimed.push_back(&f);
            continue;
        }
        Row r{&f, f.p50, f.p50, f.max};
        const size_t at = static_cast<size_t>(f.index);
        // One file has no spread across files: its repeats' spread instead.
        if (f.timed == 1 && at < m_extremes.size() && m_extremes[at].timed) {
            r.lo = m_extremes[at].min;
            r.hi = m_extremes[at].max;
        }
        rows.push_back(r);
    }
    out += "<section id=\"timing\">\n<h2>Timing</h2>\n" + Chart(rows, untimed) +
           "<p class=\"legend\">A dot is the median of a field's per-file median times; its line runs from there to "
           "the slowest file's median (for a field timed in one file, from its fastest to its slowest repeat). "
           "Red: some fetches of the field failed.</p>\n</section>\n";
    return out + "</main>\n</body>\n</html>\n";
}

std::unique_ptr<ReportFormat> MakeHtmlFormat() { return std::make_unique<HtmlFormat>(); }

}  // namespace cli
