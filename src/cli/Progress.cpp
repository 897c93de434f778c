#include "cli/Progress.h"

#include <cstdio>

namespace cli {

namespace {

constexpr ULONGLONG kEveryMs = 100;

}  // namespace

bool Progress::ToTerminal() { return ::GetFileType(::GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR; }

void Progress::FileDone() {
    ++m_done;
    if (!m_shown) return;
    const ULONGLONG now = ::GetTickCount64();
    if (now - m_last >= kEveryMs || m_done == m_total) Show(now);
}

void Progress::Show(ULONGLONG now) {
    m_last = now;
    const double seconds = static_cast<double>(now - m_start) / 1000.0;
    const double rate = seconds > 0 ? static_cast<double>(m_done) / seconds : 0;
    const double left = rate > 0 ? static_cast<double>(m_total - m_done) / rate : 0;
    const unsigned long leftSeconds = static_cast<unsigned long>(left + 0.5);
    std::fprintf(stderr, "\r%zu of %zu files, %.1f files/s, %lu:%02lu left   ", m_done, m_total, rate,
                 leftSeconds / 60, leftSeconds % 60);
    std::fflush(stderr);
    m_written = true;
}

void Progress::Finish() {
    if (!m_written) return;
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
}

}  // namespace cli
