// The texts of a field row, computed from what a plugin returned. Pure
// functions: no windows, no plugin calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace wdx {

// A declared type outside 0..10 is listed as "Unknown" (10); 0 stays 0.
int ClampFieldType(int code);

// The "Type" column text of a declared (unclamped) type code.
const char* TypeText(int code);

// The "Value" column text for the code returned by the value fetch and the
// value buffer as it stands then (after the closing call of a full text).
// Never reads past buffer + size; a text without terminator ends at the
// buffer's end; a number the buffer is too small for reads as zero-padded.
std::string ValueText(int valueCode, const void* buffer, size_t size);

// Zero-terminated text from a fixed buffer, at most size bytes.
std::string BoundedText(const char* buffer, size_t size);

// The "Time(ms)" text of one fetch from the two counter readings and the
// counter frequency. The difference is taken over the full 64 bits (modulo
// 2^64), so a fetch longer than 2^32 counts is timed right too.
std::string TimeText(int64_t firstReading, int64_t secondReading, int64_t frequency);

// What the "Time(ms)" column shows when the system has no high-resolution
// counter (frequency 0).
constexpr char kNoCounterText[] = "n/a";

}  // namespace wdx
