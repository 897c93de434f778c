// The line splitting of TextFileReader without the file: pieces of text go in
// as they are read, lines come out as text mode makes them. Pure, so that it
// can be fuzzed off Windows.
#pragma once

#include <cstddef>
#include <string>

namespace fw {

class TextLines {
public:
    // The next piece of the file. Text mode: Ctrl+Z ends the text, so the
    // rest of this piece and every later one are dropped.
    void Put(const char* data, size_t size) {
        if (m_ended) return;
        m_piece.assign(data, size);
        m_pos = 0;
        size_t ctrlZ = m_piece.find('\x1A');
        if (ctrlZ != std::string::npos) {
            m_piece.resize(ctrlZ);
            m_ended = true;
        }
    }

    bool Ended() const { return m_ended; }

    // A line whose LF lies in what was put, without its LF or CR LF (the CR
    // may have come in the piece before). False when none is complete yet.
    bool TakeLine(std::string& line) {
        size_t nl = m_piece.find('\n', m_pos);
        if (nl == std::string::npos) {
            m_partial.append(m_piece, m_pos, std::string::npos);
            m_pos = m_piece.size();
            return false;
        }
        m_partial.append(m_piece, m_pos, nl - m_pos);
        m_pos = nl + 1;
        if (!m_partial.empty() && m_partial.back() == '\r') m_partial.pop_back();
        line.swap(m_partial);
        m_partial.clear();
        return true;
    }

    // After the last piece: the last line, which had no terminator. A lone CR
    // at its end is text, as everywhere else.
    bool TakeRest(std::string& line) {
        if (m_partial.empty()) return false;
        line.swap(m_partial);
        m_partial.clear();
        return true;
    }

private:
    std::string m_piece;
    std::string m_partial;
    size_t m_pos = 0;
    bool m_ended = false;
};

}  // namespace fw
