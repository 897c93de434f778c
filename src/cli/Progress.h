// One line on standard error that says how far a long run is: files done of
// all, files a second, time left. Written in place, at most ten times a
// second, and only where someone watches (a terminal) unless asked for.
#pragma once

#include <windows.h>

#include <cstddef>

namespace cli {

class Progress {
public:
    Progress(bool shown, size_t total) : m_shown(shown), m_total(total), m_start(::GetTickCount64()) {}
    // Whether standard error is a terminal (a console, or a character device).
    static bool ToTerminal();

    void FileDone();
    // A line of the caller's own instead (--fuzz), as often as FileDone's.
    void Status(const char* text);
    // Clears the line, so the report's own text starts clean.
    void Finish();

private:
    void Show(ULONGLONG now);

    bool m_shown;
    size_t m_total;
    size_t m_done = 0;
    ULONGLONG m_start;
    ULONGLONG m_last = 0;
    bool m_written = false;
};

}  // namespace cli
