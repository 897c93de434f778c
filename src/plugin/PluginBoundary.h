// The one place where Probelet's code meets a plugin's: loads and releases
// the library, resolves its entry points, hands over the default parameters,
// enumerates the fields and makes the timed value fetches. Every call into
// the plugin (DllMain included, through the loader) runs under a FaultGuard.
// It touches no window and shows no message: it reports what happened and
// leaves the telling to its user.
#pragma once

#include "plugin/CallBeacon.h"
#include "plugin/FaultGuard.h"
#include "plugin/GuardedBuffer.h"
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>
#include <string>
#include <vector>

namespace wdx {

// A plugin lists at most this many fields; a plugin whose list never ends is
// cut off here.
constexpr int kMaxFields = 65536;

// One value fetch between two counter readings: nothing else lies in the span.
struct TimedFetch {
    int code = 0;
    int64_t first = 0;
    int64_t second = 0;
};
// The one timed span of every fetch, the window's and probelet-cli's: the
// counter read directly around the value call, and nothing else.
template <class Call>
inline TimedFetch TimeValueCall(Call&& call) {
    LARGE_INTEGER first, second;
    ::QueryPerformanceCounter(&first);
    const int code = call();
    ::QueryPerformanceCounter(&second);
    return TimedFetch{code, first.QuadPart, second.QuadPart};
}
TimedFetch FetchValue(ContentGetValueFn getValue, char* file, int fieldIndex, char* buffer);

// The entry points of a loaded library; valid when the two required ones exist.
struct PluginEntryPoints {
    ContentGetSupportedFieldFn getSupportedField = nullptr;
    ContentGetValueFn getValue = nullptr;
    ContentSetDefaultParamsFn setDefaultParams = nullptr;
    const char* setDefaultParamsName = nullptr;  // the spelling found
    bool IsValid() const { return getSupportedField && getValue; }
};
PluginEntryPoints ResolveEntryPoints(HMODULE plugin);

// The record for ContentSetDefaultParams with iniPath (read up to MAX_PATH bytes).
PluginDefaultParams MakeDefaultParams(const char* iniPath);

// Copies at most MAX_PATH - 1 bytes of a zero-terminated text (null reads as
// empty) and terminates it: what the plugin is handed, never a longer text.
void CopyPathCut(char (&dest)[MAX_PATH], const char* source);

// Where a plugin's code was running when it faulted.
// Other: an entry point of today's interface that only probelet-cli calls.
enum class PluginCall { Load, SetDefaultParams, GetSupportedField, GetValue, Release, Other };

struct PluginFault {
    PluginCall call = PluginCall::Load;
    const char* entryPoint = "DllMain";  // export name (the spelling resolved), or "DllMain"
    int fieldIndex = -1;  // the field asked about (GetSupportedField, GetValue)
    DWORD code = 0;       // the structured exception's code
    uintptr_t address = 0;  // where it was raised, when the guard saw it; else 0
};

// "<Exception 0xC0000005>": the value a faulted fetch shows.
std::string ExceptionValueText(DWORD code);
// One line naming the code, the entry point and the field, or the library
// for a fault in DllMain.
std::string FaultMessage(const PluginFault& fault, const char* libraryPath);

// The entry points of today's interface a loaded library exports.
struct PluginOffers {
    bool getValueW = false;
    bool getDetectString = false;
    bool getFieldFlags = false;
    bool unloading = false;
    bool stopGetValue = false;
    bool stopGetValueW = false;
};

// One field as probelet-cli asks for it: name and units in buffers of their
// own with guard bytes, the name buffer filled with a non-zero byte first.
struct FieldDescription {
    int declaredType = 0;  // 0 ends the list
    std::string name;      // ANSI, up to the terminator or the buffer's end
    std::string units;
    bool nameTerminated = false;
    bool nameOverrun = false;
    bool unitsOverrun = false;
};

struct DetectString {
    std::string text;  // ANSI
    bool overrun = false;
};

enum class PathForm { Ansi, Wide };

// A call that left the floating-point control state changed (the guard put
// it back): as the plugin found it and as it left it.
struct FpuChange {
    const char* entryPoint = nullptr;
    int fieldIndex = -1;
    FpuState before;
    FpuState after;
};

// A field fetched again and again (probelet-cli's repeats).
struct RepeatRequest {
    PathForm path = PathForm::Ansi;
    int repeat = 1;
    bool compare = false;  // keep the first answer that differs from the first
};

// What the repeats found. Buffers are reused from call to call.
struct RepeatedFetch {
    const char* entryPoint = nullptr;  // the value entry point called
    int completed = 0;                 // repeats that returned (all but a faulted one)
    std::vector<int64_t> spans;        // counter ticks of each completed repeat
    int firstCode = 0;
    std::vector<char> firstValue;      // kBufferSize bytes after the first repeat
    bool differs = false;              // compare: another answer was seen
    int otherCode = 0;
    std::vector<char> otherValue;
    bool overrun = false;              // past the value buffer or the path
    bool pathModified = false;         // the plugin wrote into its copy of the path
};

// One enumerated field, as the plugin declared it.
struct PluginField {
    int index = 0;
    int declaredType = 0;       // as returned; 0 ends the list
    int type = 0;               // clamped to 0..10
    const char* name = nullptr;   // the name buffer, kBufferSize bytes, maybe unterminated
    const char* units = nullptr;  // the units buffer: it becomes the value buffer at the fetch
};

// One value fetch of a field.
struct ValueFetch {
    bool faulted = false;
    DWORD exceptionCode = 0;    // when faulted
    int code = 0;               // result of the fetch (unit index 0)
    int64_t first = 0;          // counter readings directly around that call
    int64_t second = 0;
    const char* value = nullptr;  // the value buffer after the fetch and any closing call
};

// What an inspection reports per field, in the order the view needs: the
// field first (its row can exist before the fetch), then its value.
class FieldSink {
public:
    virtual ~FieldSink() = default;
    virtual void OnField(const PluginField& field) = 0;
    virtual void OnValue(const PluginField& field, const ValueFetch& fetch) = 0;
};

class PluginBoundary {
public:
    enum class OpenResult { Opened, LoadFailed, NotAPlugin, Faulted };

    PluginBoundary() = default;
    // Releases a loaded library (under the guard) unless Abandon()ed.
    ~PluginBoundary() = default;
    PluginBoundary(const PluginBoundary&) = delete;
    PluginBoundary& operator=(const PluginBoundary&) = delete;

    // Releases the library held so far (call Release() first to hear about a
    // fault there), then loads path (cut to MAX_PATH - 1 bytes) and resolves
    // its entry points. LoadFailed: LoadError() holds the
    // system's code. NotAPlugin: a required entry point is missing; the
    // library stays loaded until Release(). Faulted: DllMain faulted.
    OpenResult Open(const char* path);
    // Frees the library, if any, under the guard; false when it faulted.
    bool Release();
    // Lets go of the library without freeing it: it stays for the process.
    void Abandon();

    // Calls ContentSetDefaultParams when the plugin has it; false on a fault.
    bool SetDefaultParams(const char* iniPath);
    // The file path handed to the plugin: a copy of path that it may write into.
    void SetFile(const char* path);

    // Asks for field index; false on a fault.
    bool QueryField(int index, PluginField& field);
    // Fetches field index's value for the file, timed; for a full text also
    // makes the closing call, outside the timed span. false on a fault (then
    // fetch.faulted is set too).
    bool Fetch(int index, ValueFetch& fetch);
    // Every field from index 0 until the plugin ends the list, the bound is
    // reached or a call faults (false).
    bool InspectFields(FieldSink& sink);

    // Today's interface, as probelet-cli speaks it. Each call runs under the
    // guard; false on a fault (Fault() names it).
    const PluginOffers& Offers() const { return m_offers; }
    // NotAPlugin: the required export the library lacks.
    const char* MissingEntryPoint() const;
    // ContentGetDetectString into a guarded buffer. Only when offered.
    bool GetDetectString(DetectString& out);
    // ContentGetSupportedField into guarded buffers of its own.
    bool DescribeField(int index, FieldDescription& out);
    // ContentGetSupportedFieldFlags; only when offered.
    bool FieldFlags(int index, int& flags);
    // ContentPluginUnloading when offered; true without it.
    bool Unloading();
    // The file in both forms, for FetchRepeated; either may be empty.
    void SetFile(const std::string& ansi, const std::wstring& wide);
    // request.repeat fetches of field index for that file, all under one
    // guard, each timed as Fetch times it (a full text's closing call outside
    // the span). The value buffer is filled with a non-zero byte before the
    // first; the path is put back when the plugin changed it. false on a
    // fault, with out holding the repeats before it.
    bool FetchRepeated(int index, const RepeatRequest& request, RepeatedFetch& out);
    // The first call since Open() (DllMain on load and the calls above) that changed the
    // floating-point control state; kept after Release().
    const std::optional<FpuChange>& FirstFpuChange() const { return m_fpuChange; }

    // Every call from now on is marked in beacon (null: none) while it runs.
    void SetBeacon(CallBeacon* beacon) { m_beacon = beacon; }

    // ---- The host's threads (probelet-cli --check; PluginBoundaryThreads.cpp) ----
    // The file manager asks for a value with kDelayIfSlow on its foreground
    // thread and, when the plugin answers kDelayed, again without the flag on
    // a background thread; it fetches from both threads at once; and it stops
    // a slow background fetch from the foreground. These calls do the same
    // for the file SetFile(ansi, wide) set: every call gets a fresh copy of
    // the path and a value buffer of its own, filled as FetchRepeated fills
    // it, and runs under a FaultGuard of its thread; the floating-point state
    // is put back there and the first change kept as FirstFpuChange().
    // Worker threads never mark the beacon: the thread waiting for them does,
    // and marks it again every little while, for as long as their calls are
    // within timeoutMs. A worker still inside the plugin when its wait gives up
    // is left running, and the library then stays loaded for good.
    static constexpr int kDelayIfSlow = 1;  // the last argument of a value call
    static constexpr int kDelayed = 0;      // "ask again from a background thread"
    static constexpr char kStopGetValueName[] = "ContentStopGetValue";
    static constexpr char kStopGetValueWName[] = "ContentStopGetValueW";
    using StopGetValueFn = void(WINAPI*)(char* fileName);
    using StopGetValueWFn = void(WINAPI*)(wchar_t* fileName);

    // One value call (unit 0; a full text's closing call follows outside the span).
    struct ThreadCall {
        enum class End { Returned, Faulted, TimedOut, NotMade };
        End end = End::NotMade;
        int code = 0;              // Returned
        DWORD exceptionCode = 0;   // Faulted
        int64_t ticks = 0;         // Returned: counter ticks of the call
        std::vector<char> value;   // Returned: the kBufferSize bytes of the value buffer
    };
    // A fetch on a worker that this thread asked to stop while it ran.
    struct StoppedFetch {
        bool stopped = false;       // false: the fetch ended before the stop was due
        const char* stopEntry = nullptr;
        int64_t stopTicks = 0;      // from the fetch's start to the stop call
        ThreadCall fetch;
    };

    // The value entry point's name for form (ANSI where the wide one is missing).
    const char* ValueEntry(PathForm form) const;
    // One call on this thread, flags as given. false on a fault.
    bool FetchOnce(int index, PathForm form, int flags, ThreadCall& out);
    // One call (flags 0) on a thread of its own, waited for up to timeoutMs (0: no limit).
    ThreadCall FetchOnWorker(int index, PathForm form, unsigned timeoutMs);
    // fields from `threads` threads started together (2..64), thread k beginning
    // at fields[k * count / threads] and going round: result[k][i] is thread k's
    // call of fields[i]. Each call is waited for up to timeoutMs.
    std::vector<std::vector<ThreadCall>> FetchTogether(const std::vector<int>& fields, PathForm form, int threads,
                                                       unsigned timeoutMs);
    // Whether the plugin has a stop entry point (either form: the path is
    // handed over converted where the fetch's form has none).
    bool CanStop() const;
    // Fetches field index on a worker and, stopAfterMs after that call began,
    // calls the stop entry point on this thread; then waits up to timeoutMs.
    // false on a fault of the stop call.
    bool FetchAndStop(int index, PathForm form, double stopAfterMs, unsigned timeoutMs, StoppedFetch& out);
    // ---- end of the host's threads ----

    bool IsLoaded() const { return static_cast<bool>(m_module); }
    // Where the library was mapped by the last Open() that loaded it; kept
    // after Release(), so that one can see whether it is still there.
    struct ImageSpan {
        uintptr_t base = 0;
        size_t size = 0;
        bool Holds(uintptr_t address) const { return address - base < size; }
    };
    const ImageSpan& Image() const { return m_image; }
    // A worker left inside the plugin pinned the library (see the host's
    // threads above): it stays mapped whatever the plugin does.
    bool KeptLoaded() const { return m_pinnedBase && m_pinnedBase == m_image.base; }
    const char* Path() const { return m_path; }
    DWORD LoadError() const { return m_loadError; }
    // The last fault, valid when HasFault().
    bool HasFault() const { return m_hasFault; }
    const PluginFault& Fault() const { return m_fault; }
    std::string FaultText() const { return FaultMessage(m_fault, m_path); }

    const char* NameBuffer() const { return m_name; }
    const char* ValueBuffer() const { return m_value; }

private:
    // Frees the library under a guard of its own.
    struct GuardedFree {
        void operator()(HMODULE module) const;
    };

    bool Faulted(PluginCall call, const char* entryPoint, int fieldIndex, DWORD code);
    void ResolveToday(HMODULE module);
    // What FetchRepeated hands over: the path in the requested form.
    void PreparePath(PathForm form);
    bool PathChanged(PathForm form) const;
    void NoteFpu(const char* entryPoint, int fieldIndex);
    void KeepLoaded();

    std::unique_ptr<std::remove_pointer_t<HMODULE>, GuardedFree> m_module;
    PluginEntryPoints m_entry;
    // Today's entry points (probelet-cli), never handed out.
    ContentGetValueWFn m_getValueW = nullptr;
    ContentGetDetectStringFn m_getDetectString = nullptr;
    ContentGetSupportedFieldFlagsFn m_getFieldFlags = nullptr;
    ContentPluginUnloadingFn m_unloading = nullptr;
    StopGetValueFn m_stopGetValue = nullptr;
    StopGetValueWFn m_stopGetValueW = nullptr;
    PluginOffers m_offers;
    std::optional<FpuChange> m_fpuChange;
    ImageSpan m_image;
    uintptr_t m_pinnedBase = 0;  // the pin lasts for the process: a load again finds it there
    CallBeacon* m_beacon = nullptr;
    FaultGuard m_guard;
    PluginFault m_fault;
    bool m_hasFault = false;
    DWORD m_loadError = 0;
    char m_path[MAX_PATH] = "";
    char m_file[MAX_PATH] = "";
    // The units buffer doubles as the value buffer; neither is cleared between fields.
    char m_name[kBufferSize] = {};
    char m_value[kBufferSize] = {};
    // probelet-cli's buffers, each with guard bytes.
    std::string m_fileAnsi;
    std::wstring m_fileWide;
    GuardedBuffer m_pathAnsi{MAX_PATH};
    GuardedBuffer m_pathWide;
    GuardedBuffer m_nameGuarded{kBufferSize};
    GuardedBuffer m_unitsGuarded{kBufferSize};
    GuardedBuffer m_valueGuarded{kBufferSize};
};

}  // namespace wdx
