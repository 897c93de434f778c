#include "framework/TextFileReader.h"

namespace fw {

namespace {
constexpr DWORD kChunk = 4096;
}

bool TextFileReader::Open(const char* path) {
    Close();
    m_lines = TextLines();
    m_eof = m_failed = false;
    if (!path) return false;
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    m_file.Reset(h);
    return true;
}

bool TextFileReader::Fill() {
    char chunk[kChunk];
    DWORD got = 0;
    if (!::ReadFile(m_file, chunk, kChunk, &got, nullptr)) {
        m_failed = true;
        return false;
    }
    if (got == 0) {
        m_eof = true;
        return false;
    }
    m_lines.Put(chunk, got);
    return true;
}

TextFileReader::Result TextFileReader::ReadLine(std::string& line) {
    line.clear();
    if (!m_file || m_failed) return Result::Error;
    for (;;) {
        if (m_lines.TakeLine(line)) return Result::Line;
        if (m_lines.Ended() || m_eof || !Fill()) {
            // A read error loses the unfinished line: it may be cut anywhere.
            if (m_failed) return Result::Error;
            return m_lines.TakeRest(line) ? Result::Line : Result::End;
        }
    }
}

}  // namespace fw
