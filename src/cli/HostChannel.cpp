#include "cli/HostChannel.h"

#include <atomic>
#include <cstring>

namespace cli {

namespace {

constexpr uint32_t kMaxProblems = 1u << 24;

void PutProblems(WireWriter& w, const std::vector<Problem>& problems) {
    w.U32(static_cast<uint32_t>(problems.size()));
    for (const Problem& p : problems) Put(w, p);
}

bool GetProblems(WireReader& r, std::vector<Problem>& problems) {
    uint32_t n = 0;
    if (!r.U32(n) || n > kMaxProblems) return false;
    problems.clear();
    for (uint32_t i = 0; i < n; ++i) {
        Problem p;
        if (!Get(r, p)) return false;
        problems.push_back(std::move(p));
    }
    return true;
}

}  // namespace

void Put(WireWriter& w, const HostJob& job) {
    w.Str(job.plugin);
    const ProbeOptions& o = job.options;
    w.I32(o.repeat);
    w.Bool(o.check);
    w.F64(o.slowMs);
    w.Str(o.ini);
    w.I32(o.threads);
    w.U32(o.timeoutMs);
    w.Bool(o.resumed);
    w.U32(static_cast<uint32_t>(job.files.size()));
    for (const std::string& f : job.files) w.Str(f);
}

bool Get(WireReader& r, HostJob& job) {
    ProbeOptions& o = job.options;
    uint32_t timeout = 0, n = 0;
    if (!r.Str(job.plugin) || !r.I32(o.repeat) || !r.Bool(o.check) || !r.F64(o.slowMs) || !r.Str(o.ini) ||
        !r.I32(o.threads) || !r.U32(timeout) || !r.Bool(o.resumed) || !r.U32(n))
        return false;
    o.timeoutMs = timeout;
    job.files.clear();
    for (uint32_t i = 0; i < n; ++i) {
        std::string f;
        if (!r.Str(f)) return false;
        job.files.push_back(std::move(f));
    }
    return r.AtEnd();
}

void HostShared::StartFile(LONG index) {
    rowsBytes = 0;
    pendingBytes = 0;
    file = index;
}

void HostShared::SetPending(const std::string& row) {
    pendingBytes = 0;
    if (row.size() > kPendingSize) return;
    std::memcpy(pending, row.data(), row.size());
    std::atomic_thread_fence(std::memory_order_release);
    pendingBytes = static_cast<LONG>(row.size());
}

void HostShared::AddRow(const std::string& row) {
    const size_t used = static_cast<size_t>(rowsBytes);
    pendingBytes = 0;
    if (row.size() > kRowsSize - used) return;
    std::memcpy(rows + used, row.data(), row.size());
    std::atomic_thread_fence(std::memory_order_release);
    rowsBytes = static_cast<LONG>(used + row.size());
}

void HostShared::EndFile() {
    file = -1;
    pendingBytes = 0;
}

std::string Frame(HostMessage kind, const WireWriter& body) {
    WireWriter head;
    head.U32(static_cast<uint32_t>(body.Bytes().size() + 4));
    head.U32(static_cast<uint32_t>(kind));
    return head.Bytes() + body.Bytes();
}

void Put(WireWriter& w, const FileMessage& m) {
    Put(w, m.file);
    Put(w, m.detectString);
    PutProblems(w, m.problems);
}

bool Get(WireReader& r, FileMessage& m) {
    return Get(r, m.file) && Get(r, m.detectString) && GetProblems(r, m.problems) && r.AtEnd();
}

void Put(WireWriter& w, const EndMessage& m) {
    w.U32(m.status);
    w.Str(m.loadMessage);
    Put(w, m.detectString);
    PutProblems(w, m.problems);
}

bool Get(WireReader& r, EndMessage& m) {
    return r.U32(m.status) && r.Str(m.loadMessage) && Get(r, m.detectString) && GetProblems(r, m.problems) &&
           r.AtEnd();
}

}  // namespace cli
