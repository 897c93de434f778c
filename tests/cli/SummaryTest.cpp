#include "cli/ReportStream.h"
#include "cli/Summary.h"
#include "plugin/PluginInterface.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// min and max far from the median: a figure taken from either shows.
cli::FieldReport Row(int index, const std::string& name, std::optional<int> result, std::optional<double> median,
                     const std::string& value = "", std::optional<std::string> fault = {}) {
    cli::FieldReport row;
    row.index = index;
    row.name = name;
    row.result = result;
    row.value = value;
    if (median) row.ms = cli::Timing{*median / 4, *median, *median * 4 + 1};
    row.fault = fault;
    return row;
}

cli::FileReport File(const std::string& name, std::vector<cli::FieldReport> rows) {
    return {name, "", std::move(rows), {}, {}};
}

// n files whose medians are 1..n, not in order (n prime to 37).
std::vector<cli::FileReport> Medians(int n) {
    std::vector<cli::FileReport> files;
    for (int i = 0; i < n; ++i)
        files.push_back(File("f" + std::to_string(i), {Row(0, "Size", 1, i * 37 % n + 1.0)}));
    return files;
}

// "index name files: outcomes by kind, timed: p50 p95 p99 max", one line to compare.
std::string Describe(const cli::FieldSummary& f) {
    std::ostringstream out;
    out << f.index << " " << f.name << " " << f.files << ":";
    for (int count : f.outcomes) out << " " << count;
    out << ", " << f.timed << ": " << f.p50 << " " << f.p95 << " " << f.p99 << " " << f.max;
    return out.str();
}

TEST(Summary, FieldsCountOutcomesAndSpreadOfMedians) {
    struct Case {
        const char* what;
        std::vector<cli::FileReport> files;
        std::vector<std::string> fields;  // outcomes: value empty not-supported file-error fault hang crash other
    };
    const std::vector<Case> cases = {
        {"each kind of outcome",
         {File("a", {Row(0, "T", wdx::kString, 2, "<Crash is a value here>")}),
          File("b", {Row(0, "T", wdx::kFieldEmpty, {})}), File("c", {Row(0, "T", wdx::kNotSupported, {})}),
          File("d", {Row(0, "T", wdx::kFileError, {})}),
          File("e", {Row(0, "T", {}, 4, "<Exception 0xC0000005>", "ContentGetValue 0xC0000005")}),
          File("f", {Row(0, "T", {}, {}, "<Timeout after 5000 ms>", "ContentGetValue timeout after 5000 ms")}),
          File("g", {Row(0, "T", {}, {}, "<Crash 0xC0000409>", "ContentGetValue crash 0xC0000409")}),
          File("h", {Row(0, "T", wdx::kOnDemand, {})})},
         {"0 T 8: 1 1 1 1 1 1 1 1, 2: 2 4 4 4"}},
        {"medians 1..100", Medians(100), {"0 Size 100: 100 0 0 0 0 0 0 0, 100: 50 95 99 100"}},
        {"medians 1..10: ranks round up", Medians(10), {"0 Size 10: 10 0 0 0 0 0 0 0, 10: 5 10 10 10"}},
        {"a single file", {File("a", {Row(0, "Size", 1, 7.5)})}, {"0 Size 1: 1 0 0 0 0 0 0 0, 1: 7.5 7.5 7.5 7.5"}},
        {"no timed file",
         {File("a", {Row(0, "Size", wdx::kFileError, {})}), File("b", {Row(0, "Size", wdx::kFileError, {})})},
         {"0 Size 2: 0 0 0 2 0 0 0 0, 0: 0 0 0 0"}},
        {"a field only some files have",
         {File("a", {Row(0, "Size", 1, 1), Row(2, "Tag", 1, 3)}), File("b", {Row(0, "Size", 1, 2)})},
         {"0 Size 2: 2 0 0 0 0 0 0 0, 2: 1 2 2 2", "2 Tag 1: 1 0 0 0 0 0 0 0, 1: 3 3 3 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cli::SummaryBuilder builder;
        for (const cli::FileReport& f : c.files) builder.Add(f);
        const cli::Summary s = builder.Build();
        EXPECT_EQ(s.files, c.files.size());
        std::vector<std::string> fields;
        for (const cli::FieldSummary& f : s.fields) fields.push_back(Describe(f));
        EXPECT_EQ(fields, c.fields);
    }
}

TEST(Summary, SlowestFilesAreTheTenWithTheLargestSumOfMedians) {
    struct Case {
        const char* what;
        std::vector<cli::FileReport> files;
        std::vector<std::pair<std::string, double>> slowest;
    };
    std::vector<cli::FileReport> twelve;
    for (int i = 0; i < 12; ++i)  // 0, 5, 10, 3, ... ms: the slowest neither first nor last
        twelve.push_back(File("f" + std::to_string(i * 5 % 12), {Row(0, "Size", 1, i * 5 % 12)}));
    const std::vector<Case> cases = {
        {"twelve files, ten kept", twelve,
         {{"f11", 11}, {"f10", 10}, {"f9", 9}, {"f8", 8}, {"f7", 7}, {"f6", 6}, {"f5", 5}, {"f4", 4}, {"f3", 3},
          {"f2", 2}}},
        {"fewer than ten, slowest first",
         {File("a", {Row(0, "Size", 1, 1)}), File("b", {Row(0, "Size", 1, 3)}), File("c", {Row(0, "Size", 1, 2)})},
         {{"b", 3}, {"c", 2}, {"a", 1}}},
        {"a file's fields add up",
         {File("a", {Row(0, "Size", 1, 1.5), Row(1, "Tag", 1, 2.25), Row(2, "X", wdx::kFileError, {})}),
          File("b", {Row(0, "Size", 1, 3.5)})},
         {{"a", 3.75}, {"b", 3.5}}},
        {"untimed files never listed",
         {File("a", {Row(0, "Size", wdx::kFileError, {})}),
          File("b", {Row(0, "Size", {}, {}, "<Timeout after 5000 ms>", "ContentGetValue timeout")}),
          {"c", "", {}, std::string("cannot open"), {}}, File("d", {Row(0, "Size", 1, 0.5)})},
         {{"d", 0.5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cli::SummaryBuilder builder;
        for (const cli::FileReport& f : c.files) builder.Add(f);
        std::vector<std::pair<std::string, double>> got;
        for (const cli::SlowFile& f : builder.Build().slowest) got.emplace_back(f.file, f.ms);
        EXPECT_EQ(got, c.slowest);
    }
}

// The cells of a CSV text, row by row. A line end other than CRLF stays in its cell as "<LF>"; text not ending
// in CRLF gets a last row of its own.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i], next = i + 1 < text.size() ? text[i + 1] : '\0';
        std::string& cell = rows.back().back();
        if (ch == '"' && quoted && next == '"') cell += text[++i];
        else if (ch == '"') quoted = !quoted;
        else if (quoted) cell += ch;
        else if (ch == ',') rows.back().emplace_back();
        else if (ch == '\r' && next == '\n') ++i, rows.emplace_back(1);
        else cell += ch == '\n' ? std::string("<LF>") : std::string(1, ch);
    }
    if (rows.back() == std::vector<std::string>(1)) rows.pop_back();
    else rows.push_back({"<no CRLF at the end>"});
    return rows;
}

TEST(Summary, SummaryCsvHasOneRowPerFieldInCrLfLines) {
    const std::vector<std::string> header = ReadCsv("index,name,files,value,empty,not_supported,file_error,fault,hang,"
                                                    "crash,other,ms_p50,ms_p95,ms_p99,ms_max\r\n")[0];
    struct Case {
        const char* what;
        cli::FieldSummary field;
        std::vector<std::string> row;
    };
    const std::vector<Case> cases = {
        {"timed field", {3, "Size", 4, {3, 0, 0, 1, 0, 0, 0, 0}, 3, 1.5, 2.25, 2.25, 10},
         {"3", "Size", "4", "3", "0", "0", "1", "0", "0", "0", "0", "1.500", "2.250", "2.250", "10.000"}},
        {"untimed field leaves the times empty", {0, "Tag", 2, {0, 0, 0, 0, 1, 1, 0, 0}, 0, 0, 0, 0, 0},
         {"0", "Tag", "2", "0", "0", "0", "0", "1", "1", "0", "0", "", "", "", ""}},
        {"name with comma, quote and line end",
         {1, "Say \"hi\", then\r\nstop", 1, {0, 0, 0, 0, 0, 0, 0, 1}, 0, 0, 0, 0, 0},
         {"1", "Say \"hi\", then\r\nstop", "1", "0", "0", "0", "0", "0", "0", "0", "1", "", "", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cli::Summary summary;
        summary.fields = {c.field};
        EXPECT_EQ(ReadCsv(cli::SummaryCsv(summary)), (std::vector<std::vector<std::string>>{header, c.row}));
    }
    EXPECT_EQ(ReadCsv(cli::SummaryCsv(cli::Summary{})), std::vector<std::vector<std::string>>{header});
}

}  // namespace
