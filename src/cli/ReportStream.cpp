#include "cli/ReportStream.h"

#include "cli/CliOptions.h"
#include "cli/HtmlReport.h"

namespace cli {

namespace {

constexpr ULONGLONG kFlushEveryMs = 50;

}  // namespace

std::unique_ptr<ReportFormat> MakeFormat(Format format) {
    switch (format) {
    case Format::Csv: return MakeCsvFormat();
    case Format::Json: return MakeJsonFormat();
    case Format::Html: return MakeHtmlFormat();
    case Format::Text: break;
    }
    return MakeTextFormat();
}

ReportStream::ReportStream(Format format, FILE* out, size_t expectedFiles)
    : m_format(MakeFormat(format)), m_out(out), m_summary(expectedFiles) {}

void ReportStream::Write(const std::string& text, bool last) {
    if (!m_out) return;
    std::fwrite(text.data(), 1, text.size(), m_out);
    // Out soon after it is complete, for a reader at the other end of a pipe,
    // without a system call for every one of ten thousand small files.
    const ULONGLONG now = ::GetTickCount64();
    if (last || now - m_flushed >= kFlushEveryMs) {
        std::fflush(m_out);
        m_flushed = now;
    }
}

void ReportStream::Begin(const ReportHead& head) {
    if (m_begun) return;
    m_begun = true;
    Write(m_format->Head(head));
}

void ReportStream::File(const FileReport& file) {
    m_summary.Add(file);
    Write(m_format->File(file));
}

void ReportStream::End(const ReportHead& head, const std::vector<Problem>& problems) {
    Begin(head);
    Write(m_format->Tail(problems, m_summary.Build()), true);
}

}  // namespace cli
