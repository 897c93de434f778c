#include "cli/Progress.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

constexpr ULONGLONG kEveryMs = 100;

// One write for the line: standard error is unbuffered, and the C library's
// formatting writes to such a stream piece by piece, each a system call.
template <size_t N>
void Write(const char (&line)[N], int n) {
    if (n <= 0) return;
    std::fwrite(line, 1, std::min(static_cast<size_t>(n), N - 1), stderr);  // what snprintf kept
    std::fflush(stderr);
}

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
    char line[128];
    const int n = std::snprintf(line, sizeof line, "\r%zu of %zu files, %.1f files/s, %lu:%02lu left   ", m_done,
                                m_total, rate, leftSeconds / 60, leftSeconds % 60);
    Write(line, n);
    m_written = true;
}

void Progress::Status(const char* text) {
    if (!m_shown) return;
    const ULONGLONG now = ::GetTickCount64();
    if (now - m_last < kEveryMs) return;
    m_last = now;
    char line[128];
    Write(line, std::snprintf(line, sizeof line, "\r%-100.100s", text));
    m_written = true;
}

void Progress::Finish() {
    if (!m_written) return;
    char line[128];
    Write(line, std::snprintf(line, sizeof line, "\r%100s\r", ""));
}

}  // namespace cli
