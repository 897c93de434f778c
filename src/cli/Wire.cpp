#include "cli/Wire.h"

#include <cstring>

namespace cli {

namespace {

// Whatever a field count or a text length claims, it is never more than
// the bytes left.
constexpr uint32_t kMaxCount = 1u << 24;

template <class T, class PutOne>
void PutOptional(WireWriter& w, const std::optional<T>& v, PutOne put) {
    w.Bool(v.has_value());
    if (v) put(*v);
}

template <class T, class GetOne>
bool GetOptional(WireReader& r, std::optional<T>& v, GetOne get) {
    bool present = false;
    if (!r.Bool(present)) return false;
    v.reset();
    if (!present) return true;
    T value{};
    if (!get(value)) return false;
    v = std::move(value);
    return true;
}

}  // namespace

void WireWriter::U32(uint32_t v) {
    char bytes[4];
    std::memcpy(bytes, &v, 4);
    m_bytes.append(bytes, 4);
}

void WireWriter::F64(double v) {
    char bytes[8];
    std::memcpy(bytes, &v, 8);
    m_bytes.append(bytes, 8);
}

void WireWriter::Str(const std::string& s) {
    U32(static_cast<uint32_t>(s.size()));
    m_bytes.append(s);
}

bool WireReader::U32(uint32_t& v) {
    if (m_end - m_at < 4) return false;
    std::memcpy(&v, m_at, 4);
    m_at += 4;
    return true;
}

bool WireReader::I32(int32_t& v) {
    uint32_t u = 0;
    if (!U32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
}

bool WireReader::F64(double& v) {
    if (m_end - m_at < 8) return false;
    std::memcpy(&v, m_at, 8);
    m_at += 8;
    return true;
}

bool WireReader::Str(std::string& s) {
    uint32_t n = 0;
    if (!U32(n) || n > static_cast<size_t>(m_end - m_at)) return false;
    s.assign(m_at, n);
    m_at += n;
    return true;
}

bool WireReader::Bool(bool& v) {
    uint32_t u = 0;
    if (!U32(u) || u > 1) return false;
    v = u != 0;
    return true;
}

void Put(WireWriter& w, const std::optional<std::string>& text) {
    PutOptional(w, text, [&](const std::string& s) { w.Str(s); });
}

bool Get(WireReader& r, std::optional<std::string>& text) {
    return GetOptional(r, text, [&](std::string& s) { return r.Str(s); });
}

void Put(WireWriter& w, const FieldReport& row) {
    w.I32(row.index);
    w.Str(row.name);
    w.Str(row.type);
    w.I32(row.typeCode);
    w.U32(static_cast<uint32_t>(row.units.size()));
    for (const std::string& u : row.units) w.Str(u);
    PutOptional(w, row.flags, [&](int v) { w.I32(v); });
    PutOptional(w, row.result, [&](int v) { w.I32(v); });
    w.Str(row.value);
    PutOptional(w, row.ms, [&](const Timing& t) {
        w.F64(t.min);
        w.F64(t.median);
        w.F64(t.max);
    });
    Put(w, row.fault);
}

bool Get(WireReader& r, FieldReport& row) {
    uint32_t units = 0;
    if (!r.I32(row.index) || !r.Str(row.name) || !r.Str(row.type) || !r.I32(row.typeCode) || !r.U32(units) ||
        units > kMaxCount)
        return false;
    row.units.clear();
    for (uint32_t i = 0; i < units; ++i) {
        std::string u;
        if (!r.Str(u)) return false;
        row.units.push_back(std::move(u));
    }
    return GetOptional(r, row.flags, [&](int& v) { return r.I32(v); }) &&
           GetOptional(r, row.result, [&](int& v) { return r.I32(v); }) && r.Str(row.value) &&
           GetOptional(r, row.ms, [&](Timing& t) { return r.F64(t.min) && r.F64(t.median) && r.F64(t.max); }) &&
           Get(r, row.fault);
}

void Put(WireWriter& w, const FileReport& file) {
    w.Str(file.file);
    Put(w, file.message);
    w.U32(static_cast<uint32_t>(file.fields.size()));
    for (const FieldReport& row : file.fields) Put(w, row);
    PutOptional(w, file.failure, [&](const Failure& f) {
        w.Str(f.kind);
        w.Str(f.entryPoint);
        w.I32(f.field);
        w.U32(f.code);
        w.Str(f.at);
    });
}

bool Get(WireReader& r, FileReport& file) {
    uint32_t n = 0;
    if (!r.Str(file.file) || !Get(r, file.message) || !r.U32(n) || n > kMaxCount) return false;
    file.fields.clear();
    for (uint32_t i = 0; i < n; ++i) {
        FieldReport row;
        if (!Get(r, row)) return false;
        file.fields.push_back(std::move(row));
    }
    return GetOptional(r, file.failure, [&](Failure& f) {
        return r.Str(f.kind) && r.Str(f.entryPoint) && r.I32(f.field) && r.U32(f.code) && r.Str(f.at);
    });
}

void Put(WireWriter& w, const Problem& problem) {
    Put(w, problem.file);
    PutOptional(w, problem.field, [&](int v) { w.I32(v); });
    w.Str(problem.kind);
    w.Str(problem.detail);
}

bool Get(WireReader& r, Problem& problem) {
    return Get(r, problem.file) && GetOptional(r, problem.field, [&](int& v) { return r.I32(v); }) &&
           r.Str(problem.kind) && r.Str(problem.detail);
}

}  // namespace cli
