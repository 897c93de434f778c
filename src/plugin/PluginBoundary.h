// The one place where Probelet's code meets a plugin's: loads and releases
// the library, resolves its entry points, hands over the default parameters,
// enumerates the fields and makes the timed value fetches. Every call into
// the plugin (DllMain included, through the loader) runs under a FaultGuard.
// It touches no window and shows no message: it reports what happened and
// leaves the telling to its user.
#pragma once

#include "plugin/FaultGuard.h"
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <string>

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
};

// "<Exception 0xC0000005>": the value a faulted fetch shows.
std::string ExceptionValueText(DWORD code);
// One line naming the code, the entry point and the field, or the library
// for a fault in DllMain.
std::string FaultMessage(const PluginFault& fault, const char* libraryPath);

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
    HMODULE Abandon();

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

    // Runs body, a call into the plugin's code, under the guard; a fault is
    // recorded as that call's (Fault()) and gives false. For calls the
    // boundary does not make itself: callers with buffers of their own.
    template <class F>
    bool Guarded(PluginCall call, const char* entryPoint, int fieldIndex, F&& body) {
        if (m_guard.Run(body)) return true;
        return Faulted(call, entryPoint, fieldIndex, m_guard.Code());
    }

    bool IsLoaded() const { return static_cast<bool>(m_module); }
    HMODULE Module() const { return m_module.get(); }
    const char* Path() const { return m_path; }
    const PluginEntryPoints& EntryPoints() const { return m_entry; }
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

    std::unique_ptr<std::remove_pointer_t<HMODULE>, GuardedFree> m_module;
    PluginEntryPoints m_entry;
    FaultGuard m_guard;
    PluginFault m_fault;
    bool m_hasFault = false;
    DWORD m_loadError = 0;
    char m_path[MAX_PATH] = "";
    char m_file[MAX_PATH] = "";
    // The units buffer doubles as the value buffer; neither is cleared between fields.
    char m_name[kBufferSize] = {};
    char m_value[kBufferSize] = {};
};

}  // namespace wdx
