#include "plugin/ValueText.h"

#include "plugin/PluginInterface.h"

#include <cstdio>
#include <cstring>

namespace wdx {

namespace {

const char* const kTypeTexts[kLastFieldType + 1] = {
    "", "Numeric 32", "Numeric 64", "Float", "Date", "Time", "Bool", "Choice", "String", "Fulltext", "Unknown",
};

// Reads a T from the start of the buffer; bytes beyond size read as zero.
template <class T>
T ReadAt(const void* buffer, size_t size, size_t offset) {
    unsigned char bytes[sizeof(T)] = {};
    if (offset < size) std::memcpy(bytes, static_cast<const unsigned char*>(buffer) + offset,
                                   size - offset < sizeof(T) ? size - offset : sizeof(T));
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

template <class... Args>
std::string Format(const char* format, Args... args) {
    int n = std::snprintf(nullptr, 0, format, args...);
    if (n <= 0) return std::string();
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(&text[0], text.size(), format, args...);
    text.resize(static_cast<size_t>(n));
    return text;
}

std::string ThreeShorts(const char* format, const void* buffer, size_t size) {
    return Format(format, ReadAt<int16_t>(buffer, size, 0), ReadAt<int16_t>(buffer, size, 2),
                  ReadAt<int16_t>(buffer, size, 4));
}

}  // namespace

int ClampFieldType(int code) { return code < 0 || code > kLastFieldType ? kUnknownType : code; }

const char* TypeText(int code) { return kTypeTexts[ClampFieldType(code)]; }

std::string BoundedText(const char* buffer, size_t size) {
    const void* end = std::memchr(buffer, '\0', size);
    return std::string(buffer, end ? static_cast<const char*>(end) - buffer : size);
}

std::string ValueText(int valueCode, const void* buffer, size_t size) {
    switch (valueCode) {
    case kNumeric32:
        return Format("%d", static_cast<int>(ReadAt<int32_t>(buffer, size, 0)));
    case kNumeric64:
        return Format("%lld", static_cast<long long>(ReadAt<int64_t>(buffer, size, 0)));
    case kFloat:
        return Format("%f", ReadAt<double>(buffer, size, 0));
    case kDate:
        return ThreeShorts("%hd-%02hd-%02hd", buffer, size);
    case kTime:
        return ThreeShorts("%02hd:%02hd:%02hd", buffer, size);
    case kBool:
        return ReadAt<int32_t>(buffer, size, 0) ? "Yes" : "No";
    case kChoice:
    case kString:
    case kFulltext:
        return BoundedText(static_cast<const char*>(buffer), size);
    case kNoSuchField:
        return "<No such Field>";
    case kFileError:
        return "<Error>";
    case kFieldEmpty:
        return "<Empty>";
    default:
        return "Unknown";
    }
}

std::string TimeText(int64_t firstReading, int64_t secondReading, int64_t frequency) {
    if (frequency <= 0) return kNoCounterText;
    const uint64_t counts = static_cast<uint64_t>(secondReading) - static_cast<uint64_t>(firstReading);
    return Format("%.3f", static_cast<double>(counts) * 1000.0 / static_cast<double>(frequency));
}

}  // namespace wdx
