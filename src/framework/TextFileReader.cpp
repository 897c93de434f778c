#include "framework/TextFileReader.h"

namespace fw {

namespace {
constexpr DWORD kChunk = 4096;
}

bool TextFileReader::Open(const char* path) {
    Close();
    m_chunk.clear();
    m_pos = 0;
    m_eof = m_failed = false;
    if (!path) return false;
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    m_file.Reset(h);
    return true;
}

bool TextFileReader::Fill() {
    m_chunk.resize(kChunk);
    DWORD got = 0;
    if (!::ReadFile(m_file, &m_chunk[0], kChunk, &got, nullptr)) {
        m_chunk.clear();
        m_failed = true;
        return false;
    }
    m_chunk.resize(got);
    m_pos = 0;
    // Text mode: Ctrl+Z ends the file, whatever follows it.
    size_t ctrlZ = m_chunk.find('\x1A');
    if (ctrlZ != std::string::npos) {
        m_chunk.resize(ctrlZ);
        m_eof = true;
    }
    if (got == 0) m_eof = true;
    return !m_chunk.empty();
}

TextFileReader::Result TextFileReader::ReadLine(std::string& line) {
    line.clear();
    if (!m_file || m_failed) return Result::Error;
    bool any = false;
    for (;;) {
        if (m_pos >= m_chunk.size()) {
            if (m_eof || !Fill()) {
                if (m_failed) return Result::Error;
                return any ? Result::Line : Result::End;
            }
        }
        size_t nl = m_chunk.find('\n', m_pos);
        if (nl == std::string::npos) {
            line.append(m_chunk, m_pos, std::string::npos);
            m_pos = m_chunk.size();
            any = true;
            continue;
        }
        line.append(m_chunk, m_pos, nl - m_pos);
        m_pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return Result::Line;
    }
}

}  // namespace fw
