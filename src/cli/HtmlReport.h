// The report as one self-contained HTML page: the plugin, a table per file as
// each completes, then the problems, the summary and a timing chart, which the
// page's style shows first. Nothing is loaded from elsewhere.
#pragma once

#include "cli/ReportStream.h"

#include <memory>
#include <string>
#include <vector>

namespace cli {

class HtmlFormat : public ReportFormat {
public:
    std::string Head(const ReportHead& head) override;
    std::string File(const FileReport& file) override;
    std::string Tail(const std::vector<Problem>& problems, const Summary& summary) override;

private:
    // Per field index, the fastest and slowest single fetch of the run: the
    // chart's spread when there is one file and so no spread across files.
    struct Extremes {
        bool timed = false;
        double min = 0;
        double max = 0;
    };
    std::vector<Extremes> m_extremes;
};

std::unique_ptr<ReportFormat> MakeHtmlFormat();

}  // namespace cli
