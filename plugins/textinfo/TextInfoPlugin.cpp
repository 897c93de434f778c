// textinfo: a content plugin for everyday use. It reads a file once and
// reports what a text editor would want to know before opening it: lines,
// words, characters, line endings, byte order mark, encoding and the first line.
// The host asks field by field, so one reading serves every field of a file
// until the file or its time stamp changes.
#include "common/PluginFields.h"
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstring>

namespace {

using sample::FieldInfo;
using sample::PutText;
using sample::PutValue;

enum FieldId { kLines, kWords, kCharacters, kLineEndings, kByteOrderMark, kEncoding, kAverageLine, kFirstLine, kFieldCount };

const FieldInfo kFields[kFieldCount] = {
    {"Lines", wdx::kNumeric32, ""},
    {"Words", wdx::kNumeric64, ""},
    {"Characters", wdx::kNumeric64, ""},
    {"Line endings", wdx::kChoice, "None|CRLF|LF|CR|Mixed"},
    {"Byte order mark", wdx::kBool, ""},
    {"Encoding", wdx::kString, ""},
    {"Average line length", wdx::kFloat, ""},
    {"First line", wdx::kString, ""},
};

// Files larger than this are not text a user would inspect this way.
constexpr LONGLONG kMaxTextSize = 256LL * 1024 * 1024;
constexpr size_t kFirstLineMax = 256;

struct TextStats {
    int32_t lines = 0;
    int64_t words = 0;
    int64_t characters = 0;  // UTF-8 code points, or bytes for other text
    int crlf = 0, lf = 0, cr = 0;
    bool bom = false;
    bool utf16 = false;
    bool binary = false;
    bool ascii = true;
    bool validUtf8 = true;
    // Fixed buffers, no std::string: anything that may throw links the C++
    // runtime's emergency exception pool, which it allocates at every load
    // of the plugin and never gives back (19 KB per inspection on i686).
    char firstLine[kFirstLineMax + 1] = "";
    size_t firstLineLength = 0;
};

// Counts one buffer; state that spans buffers lives in the scanner.
class Scanner {
public:
    explicit Scanner(TextStats& s) : m_s(s) {}

    void Feed(const unsigned char* p, size_t n) {
        for (size_t i = 0; i < n; ++i) Byte(p[i]);
    }
    void Finish() {
        if (m_pendingCr) ++m_s.cr;
        if (m_pendingCr || m_lineHasContent) ++m_s.lines;
        if (m_continuation) m_s.validUtf8 = false;
    }

private:
    void Byte(unsigned char c) {
        if (c == 0) m_s.binary = true;
        if (c >= 0x80) m_s.ascii = false;
        Utf8(c);

        if (m_pendingCr) {
            m_pendingCr = false;
            if (c == '\n') {
                ++m_s.crlf;
                EndLine();
                return;
            }
            ++m_s.cr;
            EndLine();
        }
        if (c == '\r') {
            m_pendingCr = true;
            return;
        }
        if (c == '\n') {
            ++m_s.lf;
            EndLine();
            return;
        }
        m_lineHasContent = true;
        if (m_s.lines == 0 && m_s.firstLineLength < kFirstLineMax) {
            m_s.firstLine[m_s.firstLineLength++] = static_cast<char>(c);
            m_s.firstLine[m_s.firstLineLength] = '\0';
        }
        const bool space = c == ' ' || c == '\t' || c == '\f' || c == '\v';
        if (!space && !m_inWord) ++m_s.words;
        m_inWord = !space;
    }
    void EndLine() {
        ++m_s.lines;
        m_lineHasContent = false;
        m_inWord = false;
    }
    void Utf8(unsigned char c) {
        if (m_continuation > 0) {
            if ((c & 0xC0) == 0x80) {
                --m_continuation;
                return;
            }
            m_s.validUtf8 = false;
            m_continuation = 0;
        }
        ++m_s.characters;
        if (c >= 0xF0 && c <= 0xF4) m_continuation = 3;
        else if (c >= 0xE0) m_continuation = c >= 0xF0 ? 0 : 2;
        else if (c >= 0xC2) m_continuation = 1;
        if (c >= 0x80 && m_continuation == 0) m_s.validUtf8 = false;
    }

    TextStats& m_s;
    int m_continuation = 0;
    bool m_pendingCr = false;
    bool m_lineHasContent = false;
    bool m_inWord = false;
};

struct CachedFile {
    char path[MAX_PATH] = "";  // the file the statistics are of
    FILETIME written{};
    LONGLONG size = -1;
    bool ok = false;
    TextStats stats;
};
CachedFile g_cache;

// The statistics of a file, read once per path, size and time stamp.
const TextStats* Stats(const char* file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(file, GetFileExInfoStandard, &data)) return nullptr;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return nullptr;
    const LONGLONG size = static_cast<LONGLONG>((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    if (size > kMaxTextSize) return nullptr;
    if (g_cache.path[0] && std::strcmp(g_cache.path, file) == 0 && g_cache.size == size && ::CompareFileTime(&g_cache.written, &data.ftLastWriteTime) == 0)
        return g_cache.ok ? &g_cache.stats : nullptr;

    g_cache = CachedFile{};
    // A path too long to keep is read again each time rather than mistaken.
    if (std::strlen(file) < sizeof g_cache.path) std::strcpy(g_cache.path, file);
    g_cache.size = size;
    g_cache.written = data.ftLastWriteTime;
    HANDLE h = ::CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    TextStats& stats = g_cache.stats;
    Scanner scanner(stats);
    static unsigned char buffer[64 * 1024];
    DWORD read = 0;
    bool ok = true;
    bool first = true;
    while ((ok = ::ReadFile(h, buffer, sizeof buffer, &read, nullptr) != 0) && read > 0) {
        size_t skip = 0;
        if (first) {
            first = false;
            // A byte order mark is no text; UTF-16 is not counted at all.
            if (read >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0) {
                stats.bom = true;
                skip = 3;
            } else if (read >= 2 && ((buffer[0] == 0xFF && buffer[1] == 0xFE) || (buffer[0] == 0xFE && buffer[1] == 0xFF))) {
                stats.utf16 = true;
                break;
            }
        }
        scanner.Feed(buffer + skip, read - skip);
    }
    ::CloseHandle(h);
    if (!ok) return nullptr;
    scanner.Finish();
    g_cache.ok = true;
    return &g_cache.stats;
}

const char* LineEndings(const TextStats& s) {
    const int kinds = (s.crlf > 0) + (s.lf > 0) + (s.cr > 0);
    if (kinds == 0) return "None";
    if (kinds > 1) return "Mixed";
    return s.crlf ? "CRLF" : s.lf ? "LF" : "CR";
}

const char* Encoding(const TextStats& s) {
    if (s.utf16) return "UTF-16";
    if (s.binary) return "Binary";
    if (s.bom) return "UTF-8 with BOM";
    if (s.ascii) return "ASCII";
    return s.validUtf8 ? "UTF-8" : "ANSI";
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    return sample::SupportedField(kFields, fieldIndex, fieldName, units, maxLen);
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    if (fieldIndex < 0 || fieldIndex >= kFieldCount || unitIndex != 0) return wdx::kNoSuchField;
    if (!fileName) return wdx::kFileError;
    const TextStats* s = Stats(fileName);
    if (!s) return wdx::kFileError;
    const bool text = !s->binary && !s->utf16;
    switch (fieldIndex) {
    case kLines:
        return text ? PutValue(fieldValue, maxLen, s->lines, wdx::kNumeric32) : wdx::kFieldEmpty;
    case kWords:
        return text ? PutValue(fieldValue, maxLen, s->words, wdx::kNumeric64) : wdx::kFieldEmpty;
    case kCharacters:
        return text ? PutValue(fieldValue, maxLen, s->characters, wdx::kNumeric64) : wdx::kFieldEmpty;
    case kLineEndings:
        if (!text) return wdx::kFieldEmpty;
        PutText(fieldValue, maxLen, LineEndings(*s));
        return wdx::kChoice;
    case kByteOrderMark:
        return PutValue(fieldValue, maxLen, static_cast<int32_t>(s->bom || s->utf16), wdx::kBool);
    case kEncoding:
        PutText(fieldValue, maxLen, Encoding(*s));
        return wdx::kString;
    case kAverageLine:
        if (!text || s->lines == 0) return wdx::kFieldEmpty;
        return PutValue(fieldValue, maxLen, static_cast<double>(s->characters - 2 * s->crlf - s->lf - s->cr) / s->lines,
                        wdx::kFloat);
    case kFirstLine:
        if (!text || s->firstLineLength == 0) return wdx::kFieldEmpty;
        PutText(fieldValue, maxLen, s->firstLine);
        return wdx::kString;
    }
    return wdx::kNoSuchField;
}

__declspec(dllexport) void WINAPI ContentSetDefaultParams(wdx::PluginDefaultParams*) {}

}  // extern "C"
