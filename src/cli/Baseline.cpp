#include "cli/Baseline.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include "cli/ModernValues.h"

#include <windows.h>
#endif

namespace cli {

namespace {

using json = nlohmann::json;

// What makes a JSON text no report of ours, said by where in it.
struct NotOurs {
    std::string why;
};

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Windows file names ignore case, in every script.
bool SameFileName(const std::string& a, const std::string& b) {
#ifdef _WIN32
    const std::wstring wa = Utf8ToWide(a), wb = Utf8ToWide(b);
    return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                                  TRUE) == CSTR_EQUAL;
#else
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
#endif
}

FILE* OpenForReading(const std::string& utf8Path) {
#ifdef _WIN32
    return ::_wfopen(Utf8ToWide(utf8Path).c_str(), L"rb");
#else
    return std::fopen(utf8Path.c_str(), "rb");
#endif
}

bool IsText(const json& j) { return j.is_string(); }
bool IsWhole(const json& j) {
    return j.is_number_integer() && j.get<long long>() >= INT_MIN && j.get<long long>() <= INT_MAX;
}
bool IsWholeOrNull(const json& j) { return j.is_null() || IsWhole(j); }
bool IsTimesOrNull(const json& j) {
    if (j.is_null()) return true;
    const auto median = j.is_object() ? j.find("median") : j.end();
    return j.is_object() && median != j.end() && median->is_number();
}

// A member of one of the report's objects, of the kind the report writes.
const json& Need(const json& object, const char* key, const std::string& where, bool (*ok)(const json&),
                 const char* what) {
    const auto it = object.find(key);
    if (it == object.end()) throw NotOurs{(where.empty() ? "it" : where) + " has no \"" + key + "\""};
    if (!ok(*it)) throw NotOurs{(where.empty() ? "" : where + ".") + key + " is not " + what};
    return *it;
}

std::string Ms(double ms) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", ms);
    return text;
}

// At most `bytes` of text from `from`, cut at whole UTF-8 characters, with
// "..." where it was cut: a value's part a person can take in at a glance.
std::string Excerpt(const std::string& text, size_t from, size_t bytes) {
    auto lead = [&](size_t i) {
        while (i > 0 && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
        return std::min(i, text.size());
    };
    const size_t begin = lead(from), end = lead(begin + bytes);
    return "\"" + std::string(begin > 0 ? "..." : "") + text.substr(begin, end - begin) +
           (end < text.size() ? "..." : "") + "\"";
}

// Both values, around where they first differ when they are long.
std::string ValueChange(const std::string& before, const std::string& after) {
    constexpr size_t kShown = 60, kBefore = 20;
    const auto diff = std::mismatch(before.begin(), before.begin() + std::min(before.size(), after.size()),
                                    after.begin());
    const size_t at = static_cast<size_t>(diff.first - before.begin());
    const size_t from = std::max(before.size(), after.size()) <= kShown || at < kBefore ? 0 : at - kBefore;
    return Excerpt(before, from, kShown) + " -> " + Excerpt(after, from, kShown);
}

std::string ResultText(bool has, int result) { return has ? std::to_string(result) : "none (the fetch faulted)"; }

// One file object of the report, as its few facts; n: its place in "files".
Baseline::File ReadFile(const json& object, size_t n) {
    const std::string where = "files[" + std::to_string(n) + "]";
    Baseline::File f;
    f.path = Need(object, "file", where, IsText, "a text").get<std::string>();
    // Reports made before there were folder arguments have no relative path.
    const auto relative = object.find("relative");
    const bool hasRelative = relative != object.end() && relative->is_string();
    f.key = Baseline::Key(hasRelative ? relative->get<std::string>() : "", f.path);
    f.inspected = !object.contains("message");
    const json& fields = Need(object, "fields", where, [](const json& j) { return j.is_array(); }, "a list");
    f.fields.reserve(fields.size());
    for (size_t k = 0; k < fields.size(); ++k) {
        const json& row = fields[k];
        const std::string at = where + ".fields[" + std::to_string(k) + "]";
        if (!row.is_object()) throw NotOurs{at + " is not an object"};
        Baseline::Field field;
        field.index = Need(row, "index", at, IsWhole, "a whole number").get<int>();
        field.name = Need(row, "name", at, IsText, "a text").get<std::string>();
        const json& result = Need(row, "result", at, IsWholeOrNull, "a whole number or null");
        field.hasResult = !result.is_null();
        if (field.hasResult) field.result = result.get<int>();
        field.value = Need(row, "value", at, IsText, "a text").get<std::string>();
        const json& ms = Need(row, "ms", at, IsTimesOrNull, "null or times with a median");
        field.hasMedian = !ms.is_null();
        if (field.hasMedian) field.median = ms["median"].get<double>();
        f.fields.push_back(std::move(field));
    }
    return f;
}

}  // namespace

std::string Baseline::Key(const std::string& relative, const std::string& file) {
    std::string key = relative.empty() ? BaseName(file) : relative;
    // Made on another system or by hand, a report may use either separator.
    std::replace(key.begin(), key.end(), '/', '\\');
    return key;
}

bool Baseline::Load(const std::string& utf8Path, const std::string& pluginPath, std::string& error) {
    const std::string name = "baseline " + utf8Path;
    std::unique_ptr<FILE, int (*)(FILE*)> file(OpenForReading(utf8Path), &std::fclose);
    if (!file) {
        m_files.clear();
        m_byKey.clear();
        error = "cannot read " + name + ": " + std::strerror(errno);
        return false;
    }
    return Read(file.get(), name, pluginPath, error);
}

bool Baseline::Read(FILE* in, const std::string& name, const std::string& pluginPath, std::string& error) {
    m_files.clear();
    m_byKey.clear();
    // Nothing of a baseline that is refused is held against the run.
    auto refuse = [&](std::string why) {
        m_files.clear();
        m_byKey.clear();
        error = std::move(why);
        return false;
    };
    std::rewind(in);
    // PowerShell's ">" writes UTF-16: say so rather than "not JSON".
    int c = std::fgetc(in);
    const int second = std::fgetc(in);
    if ((c == 0xFF && second == 0xFE) || (c == 0xFE && second == 0xFF))
        return refuse(name + " is UTF-16 text, not the UTF-8 that probelet-cli writes (in PowerShell, save the "
                             "report with Out-File -Encoding utf8 rather than >)");
    // An empty file is no report cut short: nothing was ever written to it.
    std::rewind(in);
    while ((c = std::fgetc(in)) == ' ' || c == '\t' || c == '\r' || c == '\n') {}
    if (c == EOF && !std::ferror(in)) return refuse(name + " is empty");
    std::rewind(in);

    // Each file object is kept as its few facts and dropped from the tree as
    // soon as it is complete, and nothing else below the top level is kept:
    // the memory is the comparison's, not the report's.
    std::string topKey;
    bool inFiles = false;
    const json::parser_callback_t keep = [&](int depth, json::parse_event_t event, json& parsed) {
        using E = json::parse_event_t;
        if (depth == 1 && event == E::key) topKey = parsed.get<std::string>();
        if (depth == 1 && event == E::array_start) inFiles = topKey == "files";
        if (depth == 1 && event == E::array_end) inFiles = false;
        if (depth == 2 && inFiles) {
            if (event == E::object_end) {
                File f = ReadFile(parsed, m_files.size());
                m_byKey[f.key].push_back(m_files.size());
                m_files.push_back(std::move(f));
                return false;
            }
            if (event == E::value || event == E::array_end)
                throw NotOurs{"files[" + std::to_string(m_files.size()) + "] is not an object"};
        }
        return depth < 2 || inFiles;
    };
    json top;
    try {
        top = json::parse(in, keep);
        if (!top.is_object()) throw NotOurs{"it is no object with \"plugin\", \"arch\" and \"files\""};
        Need(top, "plugin", "", IsText, "a text");
        Need(top, "arch", "", IsText, "a text");
        Need(top, "files", "", [](const json& j) { return j.is_array(); }, "a list");
    } catch (const NotOurs& e) {
        return refuse(name + " is not a probelet-cli JSON report: " + e.why);
    } catch (const json::parse_error& e) {
        if (std::ferror(in)) return refuse("cannot read " + name + ": " + std::strerror(errno));
        // The parser read to the end and wanted more.
        if (std::feof(in))
            return refuse(name + " is cut short: it ends after " + std::to_string(e.byte - 1) +
                          " bytes, inside the report");
        // nlohmann's text after its own tag: where, and what it found.
        const std::string what = e.what();
        const size_t tag = what.find("] ");
        return refuse(name + " is not JSON: " + (tag == std::string::npos ? what : what.substr(tag + 2)));
    }
    // Made elsewhere, the same plugin lies in another folder.
    const std::string plugin = top["plugin"].get<std::string>();
    if (!SameFileName(BaseName(plugin), BaseName(pluginPath)))
        return refuse(name + " was made for " + BaseName(plugin) + ", not " + BaseName(pluginPath));
    return true;
}

void Baseline::Compare(const FileReport& now, double slowerFactor, std::vector<Problem>& out) {
    const auto match = m_byKey.find(Key(now.relative, now.file));
    if (match == m_byKey.end()) return;  // a file new to this run changed nothing
    File* base = nullptr;
    for (size_t i : match->second) {
        if (!m_files[i].compared) {
            base = &m_files[i];
            break;
        }
    }
    if (!base) return;
    base->compared = true;
    auto add = [&](const char* kind, int field, std::string detail) {
        out.push_back(Problem{now.file, field, kind, std::move(detail)});
    };
    // A file either run could not inspect has no fields to hold against the
    // other's: its own problem says why.
    if (base->inspected && !now.message) {
        std::vector<bool> matched(base->fields.size());
        for (const FieldReport& f : now.fields) {
            // The same name twice (a plugin's own mistake) is matched in order.
            size_t k = 0;
            while (k < base->fields.size() && (matched[k] || base->fields[k].name != f.name)) ++k;
            if (k == base->fields.size()) {
                add("field-added", f.index, "\"" + f.name + "\" is not in the baseline");
                continue;
            }
            matched[k] = true;
            const Field& b = base->fields[k];
            // Another result is the change; its value changes with it.
            if (b.hasResult != f.result.has_value() || (b.hasResult && b.result != *f.result))
                add("result-changed", f.index,
                    "result " + ResultText(b.hasResult, b.result) + " -> " +
                        ResultText(f.result.has_value(), f.result.value_or(0)));
            else if (b.value != f.value)
                add("value-changed", f.index, ValueChange(b.value, f.value));
            // Both a factor and an absolute margin: timer noise doubles a
            // few microseconds easily.
            if (b.hasMedian && f.ms && f.ms->median > slowerFactor * b.median && f.ms->median - b.median > 0.05)
                add("slower", f.index, "median " + Ms(f.ms->median) + " ms, " + Ms(b.median) + " ms in the baseline");
        }
        // A file's fetches end at a fault: the fields after it were never asked for.
        const int reached = !now.fields.empty() && now.fields.back().fault ? now.fields.back().index : INT_MAX;
        for (size_t k = 0; k < base->fields.size(); ++k) {
            const Field& b = base->fields[k];
            if (!matched[k] && b.index <= reached)
                add("field-missing", b.index,
                    "\"" + b.name + "\" (field " + std::to_string(b.index) + " in the baseline) is no longer listed");
        }
    }
    base->fields = {};  // compared: its memory back
}

void Baseline::Missing(std::vector<Problem>& out) {
    for (File& f : m_files) {
        if (f.compared) continue;
        f.compared = true;
        out.push_back(Problem{f.path, std::nullopt, "file-missing",
                              "\"" + f.key + "\" is in the baseline but was not inspected in this run"});
    }
}

}  // namespace cli
