// Reads a text file line by line, as text mode reads it: a line ends at LF or
// CR LF (the terminator is not part of it), a last line without terminator
// still counts, lines may be of any length, and Ctrl+Z (0x1A) ends the file.
#pragma once

#include "framework/Handles.h"
#include "framework/TextLines.h"

#include <string>

namespace fw {

class TextFileReader {
public:
    enum class Result { Line, End, Error };

    bool Open(const char* path);
    bool IsOpen() const { return static_cast<bool>(m_file); }
    // Line: `line` holds the next line. End: no more lines. Error: reading
    // failed; the lines returned before are all there is.
    Result ReadLine(std::string& line);
    void Close() { m_file.Reset(); }

private:
    bool Fill();

    KernelHandle m_file;
    TextLines m_lines;
    bool m_eof = false;
    bool m_failed = false;
};

}  // namespace fw
