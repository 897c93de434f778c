// The report's own records as bytes, for the pipe and the shared memory
// between probelet-cli and the process that runs a plugin for it. Written
// and read back exactly: texts are bytes (a value need not be valid UTF-8),
// times are doubles bit for bit. A reader never reads past what it was
// given: a record cut short by a process that died reads as a failure.
#pragma once

#include "cli/Report.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace cli {

class WireWriter {
public:
    void U32(uint32_t v);
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F64(double v);
    void Str(const std::string& s);
    void Bool(bool v) { U32(v ? 1 : 0); }

    const std::string& Bytes() const { return m_bytes; }
    void Clear() { m_bytes.clear(); }

private:
    std::string m_bytes;
};

class WireReader {
public:
    WireReader(const char* data, size_t size) : m_at(data), m_end(data + size) {}

    bool U32(uint32_t& v);
    bool I32(int32_t& v);
    bool F64(double& v);
    bool Str(std::string& s);
    bool Bool(bool& v);
    bool AtEnd() const { return m_at == m_end; }
    const char* Position() const { return m_at; }

private:
    const char* m_at;
    const char* m_end;
};

void Put(WireWriter& w, const FieldReport& row);
bool Get(WireReader& r, FieldReport& row);
void Put(WireWriter& w, const FileReport& file);
bool Get(WireReader& r, FileReport& file);
void Put(WireWriter& w, const Problem& problem);
bool Get(WireReader& r, Problem& problem);
void Put(WireWriter& w, const std::optional<std::string>& text);
bool Get(WireReader& r, std::optional<std::string>& text);

}  // namespace cli
