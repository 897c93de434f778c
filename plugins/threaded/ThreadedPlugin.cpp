// A plugin for the host's threads, built once per manner; four text fields,
// each answering its own name.
//   THREADED_SHARED:        keeps the value in one static buffer and sleeps
//                           between filling it and copying it out, as code
//                           written for one caller at a time does.
//   THREADED_DELAYED:       answers "delayed" (0) to a call that allows it and
//                           the value to the call without the flag: sound.
//   THREADED_DELAYED_NEVER: its field Two answers "delayed" to every call.
//   THREADED_STOP_HONOURED: its field One takes 300 ms unless stopped.
//   THREADED_STOP_IGNORED:  the same, but it ignores ContentStopGetValue.
#include "plugin/PluginInterface.h"

#include <windows.h>

#ifndef THREADED_STOP_HONOURED
#define THREADED_STOP_HONOURED 0
#endif

namespace {

const char* const kNames[] = {"One", "Two", "Three", "Four"};
constexpr int kCount = 4;
constexpr int kDelayIfSlow = 1;
constexpr int kDelayed = 0;

#if THREADED_STOP_HONOURED || THREADED_STOP_IGNORED
volatile LONG g_stop = 0;  // set by ContentStopGetValue, cleared as a fetch begins
#endif

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI ContentGetSupportedField(int index, char* name, char* units, int maxLen) {
    if (index < 0 || index >= kCount) return wdx::kNoMoreFields;
    lstrcpynA(name, kNames[index], maxLen);
    units[0] = '\0';
    return wdx::kString;
}

__declspec(dllexport) int WINAPI ContentGetValue(char*, int index, int, void* value, int maxLen, int flags) {
    if (index < 0 || index >= kCount) return wdx::kNoSuchField;
    const char* text = kNames[index];
#if THREADED_SHARED
    // Fetches of the same field in step leave each other's text alone; a
    // fetch of another field in between is what mixes them.
    static char shared[16];
    lstrcpynA(shared, text, sizeof shared);
    ::Sleep(20);
    lstrcpynA(static_cast<char*>(value), shared, maxLen);
    ::Sleep(20);  // the rest of the work, outside the buffer
    return wdx::kString;
#elif THREADED_DELAYED
    if (flags & kDelayIfSlow) return kDelayed;
#elif THREADED_DELAYED_NEVER
    if (index == 1) return kDelayed;
#elif THREADED_STOP_HONOURED || THREADED_STOP_IGNORED
    if (index == 0) {
        ::InterlockedExchange(&g_stop, 0);
        for (int ms = 0; ms < 300 && !(THREADED_STOP_HONOURED && g_stop); ms += 10) ::Sleep(10);
    }
#endif
    (void)flags;
    lstrcpynA(static_cast<char*>(value), text, maxLen);
    return wdx::kString;
}

#if THREADED_STOP_HONOURED || THREADED_STOP_IGNORED
__declspec(dllexport) void WINAPI ContentStopGetValue(char*) {
    if (THREADED_STOP_HONOURED) ::InterlockedExchange(&g_stop, 1);
}
#endif

}  // extern "C"
