// The boundary's calls on the host's threads: a value call with the delay
// flag, a call from a worker thread, fetches from several threads at once and
// a stop while a worker fetches. A worker owns everything it touches (its Job,
// shared with the thread that waits for it), so one that is given up on can go
// on running after the boundary has moved on, or is gone.
#include "plugin/PluginBoundary.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace wdx {

namespace {

using ThreadCall = PluginBoundary::ThreadCall;

// As FetchRepeated fills the value buffer: the same answer reads the same.
constexpr unsigned char kUnwrittenByte = 0xEE;
// How often a waiting thread looks at its workers and marks the beacon: a
// watchdog that sees nothing change for its limit takes the process for hung.
constexpr DWORD kWatchSliceMs = 20;

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle) ::CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

UniqueHandle NewEvent() { return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

int64_t Counter() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// A value call as the boundary would make it, copied out of the boundary.
struct Caller {
    PathForm form = PathForm::Ansi;
    const char* entry = nullptr;
    ContentGetValueFn getValue = nullptr;
    ContentGetValueWFn getValueW = nullptr;
    std::vector<char> path;  // with its terminator; UTF-16 for Wide

    size_t PathRoom() const { return form == PathForm::Ansi ? std::max<size_t>(MAX_PATH, path.size()) : path.size(); }
};

Caller MakeCaller(PathForm form, ContentGetValueFn getValue, ContentGetValueWFn getValueW, const std::string& ansi,
                  const std::wstring& wide) {
    Caller c;
    c.form = form == PathForm::Wide && getValueW ? PathForm::Wide : PathForm::Ansi;
    c.entry = c.form == PathForm::Wide ? kGetValueWName : kGetValueName;
    c.getValue = getValue;
    c.getValueW = getValueW;
    if (c.form == PathForm::Wide) {
        const char* bytes = reinterpret_cast<const char*>(wide.c_str());
        c.path.assign(bytes, bytes + (wide.size() + 1) * sizeof(wchar_t));
    } else {
        // Cut as FetchRepeated cuts it.
        c.path.assign(ansi.begin(), ansi.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(ansi.size(), MAX_PATH - 1)));
        c.path.push_back('\0');
    }
    return c;
}

// One call of field index under guard: a fresh copy of the path, the value
// buffer filled as FetchRepeated fills it, a full text's closing call after
// the timed span. out.value must hold kBufferSize bytes; nothing here allocates.
void CallValue(FaultGuard& guard, const Caller& c, GuardedBuffer& path, GuardedBuffer& value, int index, int flags,
               ThreadCall& out) {
    path.Prepare(0);
    std::memcpy(path.Data(), c.path.data(), c.path.size());
    value.Prepare(kUnwrittenByte);
    char* const buffer = value.Data();
    TimedFetch timed;
    bool returned;
    if (c.form == PathForm::Wide) {
        const ContentGetValueWFn get = c.getValueW;
        wchar_t* const file = reinterpret_cast<wchar_t*>(path.Data());
        returned = guard.Run([&]() noexcept {
            timed = TimeValueCall([&] { return get(file, index, kUnitValue, buffer, kBufferSize, flags); });
            if (timed.code == kFulltext) get(file, index, kUnitCloseFulltext, buffer, kBufferSize, 0);
        });
    } else {
        const ContentGetValueFn get = c.getValue;
        char* const file = path.Data();
        returned = guard.Run([&]() noexcept {
            timed = TimeValueCall([&] { return get(file, index, kUnitValue, buffer, kBufferSize, flags); });
            if (timed.code == kFulltext) get(file, index, kUnitCloseFulltext, buffer, kBufferSize, 0);
        });
    }
    if (!returned) {
        out.end = ThreadCall::End::Faulted;
        out.exceptionCode = guard.Code();
        return;
    }
    out.end = ThreadCall::End::Returned;
    out.code = timed.code;
    out.ticks = timed.second - timed.first;
    std::memcpy(out.value.data(), buffer, kBufferSize);
}

// One worker's calls and everything they touch.
struct Job {
    Caller caller;
    std::vector<int> order;            // the fields in the order this worker asks for them
    std::vector<ThreadCall> calls;     // by position in order
    std::shared_ptr<void> gate;        // the workers of a round start together when it is set
    UniqueHandle began = NewEvent();   // set just before the first call
    std::atomic<int> done{0};          // calls finished and written
    std::atomic<uint64_t> since{0};    // tick count at the running call's start; 0 between calls
    std::atomic<bool> quit{false};
    std::optional<FpuChange> fpu;      // the first call that changed the floating-point state
    GuardedBuffer path;
    GuardedBuffer value{kBufferSize};

    Job(const Caller& c, std::vector<int> fields, const std::shared_ptr<void>& start)
        : caller(c), order(std::move(fields)), gate(start), path(c.PathRoom()) {
        calls.resize(order.size());
        for (ThreadCall& call : calls) call.value.assign(kBufferSize, '\0');
    }
};

DWORD WINAPI RunJob(void* param) {
    auto* handed = static_cast<std::shared_ptr<Job>*>(param);
    const std::shared_ptr<Job> job = std::move(*handed);
    delete handed;
    ::WaitForSingleObject(job->gate.get(), INFINITE);
    ::SetEvent(job->began.get());
    FaultGuard guard;
    for (size_t i = 0; i < job->order.size() && !job->quit; ++i) {
        job->since = std::max<uint64_t>(::GetTickCount64(), 1);
        CallValue(guard, job->caller, job->path, job->value, job->order[i], 0, job->calls[i]);
        job->since = 0;
        if (!job->fpu && guard.FpuChanged())
            job->fpu = FpuChange{job->caller.entry, job->order[i], guard.FpuBefore(), guard.FpuAfter()};
        job->done.store(static_cast<int>(i) + 1, std::memory_order_release);
        // The plugin's state is unknown after a fault: this worker asks no more.
        if (job->calls[i].end == ThreadCall::End::Faulted) break;
    }
    return 0;
}

struct Worker {
    std::shared_ptr<Job> job;
    UniqueHandle thread;  // null: it could not be started, its calls stay NotMade
    bool ended = false;
    bool adrift = false;  // given up on while inside the plugin
};

Worker Launch(const Caller& caller, std::vector<int> fields, const std::shared_ptr<void>& gate) {
    Worker w;
    w.job = std::make_shared<Job>(caller, std::move(fields), gate);
    auto* handed = new std::shared_ptr<Job>(w.job);
    w.thread.reset(::CreateThread(nullptr, 0, RunJob, handed, 0, nullptr));
    if (!w.thread) delete handed;
    return w;
}

std::shared_ptr<void> NewGate() { return std::shared_ptr<void>(::CreateEventW(nullptr, TRUE, FALSE, nullptr), HandleCloser()); }

// Lets the workers (of one gate) start together.
void StartTogether(std::vector<Worker>& workers) {
    const uint64_t start = ::GetTickCount64();
    for (Worker& w : workers) w.job->since = start;  // until its first call begins
    ::SetEvent(workers.front().job->gate.get());
}

// Waits until each worker has ended or one of its calls has run longer than
// timeoutMs (0: no limit); that one is told to ask no more and is left
// running. Marks the beacon again every slice. True when one was left.
bool Await(std::vector<Worker>& workers, unsigned timeoutMs, BeaconSpan& span) {
    bool adrift = false;
    for (;;) {
        std::vector<HANDLE> running;
        for (Worker& w : workers) {
            if (!w.thread || w.ended || w.adrift) continue;
            if (::WaitForSingleObject(w.thread.get(), 0) == WAIT_OBJECT_0) {
                w.ended = true;
                continue;
            }
            const uint64_t since = w.job->since;
            // Read after since: a call that began meanwhile is not taken for an old one.
            if (timeoutMs && since && ::GetTickCount64() - since >= timeoutMs) {
                w.adrift = adrift = true;
                w.job->quit = true;
                continue;
            }
            running.push_back(w.thread.get());
        }
        if (running.empty()) return adrift;
        ::WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), TRUE, kWatchSliceMs);
        span.Next();
    }
}

// Worker w's calls: all of them when it ended; those it finished, then the one
// it was left in, when it was left.
std::vector<ThreadCall> Results(const Worker& w) {
    if (w.ended) return w.job->calls;
    std::vector<ThreadCall> calls(w.job->calls.size());
    if (!w.adrift) return calls;
    const size_t done = static_cast<size_t>(w.job->done.load(std::memory_order_acquire));
    std::copy(w.job->calls.begin(), w.job->calls.begin() + static_cast<std::ptrdiff_t>(done), calls.begin());
    if (done < calls.size()) calls[done].end = ThreadCall::End::TimedOut;
    return calls;
}

// A worker left inside the plugin must never see the library freed under it:
// from now on it stays loaded until the process ends, whatever Release() and
// the destructor do (they free a reference the pin outlives).
void Pin(HMODULE module) {
    HMODULE held = nullptr;
    const auto address = reinterpret_cast<LPCWSTR>(module);
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, address, &held))
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, address, &held);  // a reference never freed
}

}  // namespace

void PluginBoundary::KeepLoaded() {
    Pin(m_module.get());
    m_pinnedBase = m_image.base;
}

const char* PluginBoundary::ValueEntry(PathForm form) const {
    return form == PathForm::Wide && m_getValueW ? kGetValueWName : kGetValueName;
}

bool PluginBoundary::FetchOnce(int index, PathForm form, int flags, ThreadCall& out) {
    out = ThreadCall{};
    out.value.assign(kBufferSize, '\0');
    const Caller caller = MakeCaller(form, m_entry.getValue, m_getValueW, m_fileAnsi, m_fileWide);
    GuardedBuffer path(caller.PathRoom());
    GuardedBuffer value(kBufferSize);
    {
        BeaconSpan span(m_beacon, caller.entry, index);
        CallValue(m_guard, caller, path, value, index, flags, out);
    }
    NoteFpu(caller.entry, index);
    if (out.end == ThreadCall::End::Faulted)
        return Faulted(PluginCall::GetValue, caller.entry, index, out.exceptionCode);
    return true;
}

PluginBoundary::ThreadCall PluginBoundary::FetchOnWorker(int index, PathForm form, unsigned timeoutMs) {
    const Caller caller = MakeCaller(form, m_entry.getValue, m_getValueW, m_fileAnsi, m_fileWide);
    std::vector<Worker> workers;
    workers.push_back(Launch(caller, {index}, NewGate()));
    BeaconSpan span(m_beacon, caller.entry, index);
    StartTogether(workers);
    if (Await(workers, timeoutMs, span)) KeepLoaded();
    if (workers[0].ended && workers[0].job->fpu && !m_fpuChange) m_fpuChange = workers[0].job->fpu;
    return Results(workers[0])[0];
}

std::vector<std::vector<PluginBoundary::ThreadCall>> PluginBoundary::FetchTogether(const std::vector<int>& fields,
                                                                                   PathForm form, int threads,
                                                                                   unsigned timeoutMs) {
    // WaitForMultipleObjects waits for 64 handles at most.
    const size_t n = static_cast<size_t>(std::clamp(threads, 2, MAXIMUM_WAIT_OBJECTS));
    const size_t count = fields.size();
    std::vector<std::vector<ThreadCall>> result(n, std::vector<ThreadCall>(count));
    if (count == 0) return result;
    const Caller caller = MakeCaller(form, m_entry.getValue, m_getValueW, m_fileAnsi, m_fileWide);
    const std::shared_ptr<void> gate = NewGate();
    std::vector<Worker> workers;
    for (size_t k = 0; k < n; ++k) {
        std::vector<int> order;
        for (size_t j = 0; j < count; ++j) order.push_back(fields[(k * count / n + j) % count]);
        workers.push_back(Launch(caller, std::move(order), gate));
    }
    {
        BeaconSpan span(m_beacon, caller.entry, -1);
        StartTogether(workers);
        if (Await(workers, timeoutMs, span)) KeepLoaded();
    }
    for (size_t k = 0; k < n; ++k) {
        if (workers[k].ended && workers[k].job->fpu && !m_fpuChange) m_fpuChange = workers[k].job->fpu;
        const std::vector<ThreadCall> calls = Results(workers[k]);
        for (size_t j = 0; j < count; ++j) result[k][(k * count / n + j) % count] = calls[j];
    }
    return result;
}

bool PluginBoundary::CanStop() const { return m_stopGetValue || m_stopGetValueW; }

bool PluginBoundary::FetchAndStop(int index, PathForm form, double stopAfterMs, unsigned timeoutMs,
                                  StoppedFetch& out) {
    out = StoppedFetch{};
    out.fetch.value.assign(kBufferSize, '\0');
    if (!CanStop()) return true;
    const Caller caller = MakeCaller(form, m_entry.getValue, m_getValueW, m_fileAnsi, m_fileWide);
    // The stop entry point of the fetch's form where there is one; the other
    // one is handed the same path converted.
    const bool wideStop = caller.form == PathForm::Wide ? m_stopGetValueW != nullptr : m_stopGetValue == nullptr;
    out.stopEntry = wideStop ? kStopGetValueWName : kStopGetValueName;
    std::wstring widePath(MAX_PATH, L'\0');
    std::string ansiPath(MAX_PATH, '\0');
    if (caller.form == PathForm::Wide) {
        widePath.assign(m_fileWide).resize(std::max<size_t>(m_fileWide.size() + 1, MAX_PATH));
        ::WideCharToMultiByte(CP_ACP, 0, m_fileWide.c_str(), -1, ansiPath.data(), MAX_PATH - 1, nullptr, nullptr);
    } else {
        ansiPath.assign(caller.path.data()).resize(MAX_PATH);
        ::MultiByteToWideChar(CP_ACP, 0, caller.path.data(), -1, widePath.data(), MAX_PATH - 1);
    }

    std::vector<Worker> workers;
    workers.push_back(Launch(caller, {index}, NewGate()));
    Worker& w = workers[0];
    std::optional<BeaconSpan> waiting;
    waiting.emplace(m_beacon, caller.entry, index);
    bool adrift = false;
    bool stopFaulted = false;
    if (w.thread) {
        // Stop only a fetch that is under way: from its start to the stop, or its end.
        StartTogether(workers);
        const HANDLE starts[] = {w.job->began.get(), w.thread.get()};
        const uint64_t launched = ::GetTickCount64();
        while (::WaitForMultipleObjects(2, starts, FALSE, kWatchSliceMs) == WAIT_TIMEOUT &&
               (!timeoutMs || ::GetTickCount64() - launched < timeoutMs))
            waiting->Next();
        const int64_t began = Counter();
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        const int64_t due = began + static_cast<int64_t>(stopAfterMs * static_cast<double>(frequency.QuadPart) / 1000.0);
        bool running = ::WaitForSingleObject(w.job->began.get(), 0) == WAIT_OBJECT_0;
        while (running) {
            const int64_t left = due - Counter();
            if (left <= 0) break;
            const DWORD ms = static_cast<DWORD>(std::min<int64_t>(left * 1000 / frequency.QuadPart + 1, kWatchSliceMs));
            running = ::WaitForSingleObject(w.thread.get(), ms) == WAIT_TIMEOUT;
            waiting->Next();
        }
        if (running) running = ::WaitForSingleObject(w.thread.get(), 0) == WAIT_TIMEOUT;
        if (running) {
            waiting.reset();
            const StopGetValueFn stop = m_stopGetValue;
            const StopGetValueWFn stopW = m_stopGetValueW;
            char* const ansi = ansiPath.data();
            wchar_t* const wide = widePath.data();
            out.stopped = true;
            out.stopTicks = Counter() - began;
            bool returned;
            {
                BeaconSpan span(m_beacon, out.stopEntry, index);
                returned = m_guard.Run([&]() noexcept {
                    if (wideStop)
                        stopW(wide);
                    else
                        stop(ansi);
                });
            }
            NoteFpu(out.stopEntry, index);
            if (!returned) stopFaulted = !Faulted(PluginCall::Other, out.stopEntry, index, m_guard.Code());
            waiting.emplace(m_beacon, caller.entry, index);
        }
        adrift = Await(workers, timeoutMs, *waiting);
    }
    if (adrift) KeepLoaded();
    if (w.ended && w.job->fpu && !m_fpuChange) m_fpuChange = w.job->fpu;
    out.fetch = Results(w)[0];
    return !stopFaulted;
}

}  // namespace wdx
