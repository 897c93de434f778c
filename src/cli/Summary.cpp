#include "cli/Summary.h"

#include "plugin/PluginInterface.h"

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

constexpr size_t kSlowest = 10;

bool StartsWith(const std::string& text, const char* head) { return text.rfind(head, 0) == 0; }

// Nearest rank: the smallest value at or above the share p of the sorted values.
double Percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
    static const char* const kNames[kOutcomes] = {"value", "empty", "not-supported", "file-error",
                                                  "fault", "hang",  "crash",         "other"};
    return kNames[static_cast<int>(outcome)];
}

Outcome OutcomeOf(const FieldReport& row) {
    if (!row.result) {
        if (StartsWith(row.value, "<Timeout")) return Outcome::Hang;
        if (StartsWith(row.value, "<Crash")) return Outcome::Crash;
        return Outcome::Fault;
    }
    const int code = *row.result;
    if (code > 0) return Outcome::Value;
    switch (code) {
    case wdx::kFieldEmpty: return Outcome::Empty;
    case wdx::kNotSupported: return Outcome::NotSupported;
    case wdx::kFileError: return Outcome::FileError;
    default: return Outcome::Other;
    }
}

void SummaryBuilder::Add(const FileReport& file) {
    ++m_files;
    double total = 0;
    bool timed = false;
    for (const FieldReport& row : file.fields) {
        if (row.index < 0) continue;
        if (static_cast<size_t>(row.index) >= m_fields.size()) m_fields.resize(static_cast<size_t>(row.index) + 1);
        Field& f = m_fields[static_cast<size_t>(row.index)];
        if (f.files == 0 && m_expected) f.medians.reserve(m_expected);
        if (f.name.empty()) f.name = row.name;
        ++f.files;
        ++f.outcomes[static_cast<int>(OutcomeOf(row))];
        if (row.ms) {
            f.medians.push_back(row.ms->median);
            total += row.ms->median;
            timed = true;
        }
    }
    // The ten slowest so far, slowest first: a file that is not among them is
    // forgotten, and one without a timed fetch is none of them.
    if (timed && (m_slowest.size() < kSlowest || total > m_slowest.back().ms)) {
        const SlowFile entry{file.file, total};
        auto at = std::upper_bound(m_slowest.begin(), m_slowest.end(), entry,
                                   [](const SlowFile& a, const SlowFile& b) { return a.ms > b.ms; });
        m_slowest.insert(at, entry);
        if (m_slowest.size() > kSlowest) m_slowest.pop_back();
    }
}

Summary SummaryBuilder::Build() const {
    Summary s;
    s.files = m_files;
    s.slowest = m_slowest;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const Field& f = m_fields[i];
        if (f.files == 0) continue;
        FieldSummary out;
        out.index = static_cast<int>(i);
        out.name = f.name;
        out.files = f.files;
        std::copy(std::begin(f.outcomes), std::end(f.outcomes), out.outcomes);
        std::vector<double> sorted = f.medians;
        std::sort(sorted.begin(), sorted.end());
        out.timed = static_cast<int>(sorted.size());
        out.p50 = Percentile(sorted, 0.50);
        out.p95 = Percentile(sorted, 0.95);
        out.p99 = Percentile(sorted, 0.99);
        out.max = sorted.empty() ? 0 : sorted.back();
        s.fields.push_back(std::move(out));
    }
    return s;
}

}  // namespace cli
