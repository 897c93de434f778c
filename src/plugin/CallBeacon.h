// What a plugin is being asked right now, for a watcher on another thread or
// in another process: probelet-cli's parent reads it from memory it shares
// with the process that runs the plugin, to end a call that never returns
// and to name the call that took that process down.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstring>

namespace wdx {

struct CallBeacon {
    volatile LONG sequence = 0;  // changes as each call begins
    volatile LONG inCall = 0;    // 1 from a call's start to its return
    volatile LONG field = -1;    // the field asked about, -1 for none
    char entryPoint[40] = "";    // the export called, or "DllMain"

    void Begin(const char* entry, int fieldIndex) {
        if (std::strncmp(entryPoint, entry, sizeof entryPoint) != 0) {
            std::strncpy(entryPoint, entry, sizeof entryPoint - 1);
            entryPoint[sizeof entryPoint - 1] = '\0';
        }
        // The name is in place before the watcher can see the new call.
        std::atomic_thread_fence(std::memory_order_release);
        field = fieldIndex;
        Next();
        inCall = 1;
    }
    // Another call of the same entry point and field (a repeat).
    void Next() { sequence = sequence + 1; }
    void End() { inCall = 0; }
};

// The beacon, when there is one, marked for the span of one plugin call.
class BeaconSpan {
public:
    BeaconSpan(CallBeacon* beacon, const char* entry, int field) : m_beacon(beacon) {
        if (m_beacon) m_beacon->Begin(entry, field);
    }
    ~BeaconSpan() {
        if (m_beacon) m_beacon->End();
    }
    BeaconSpan(const BeaconSpan&) = delete;
    BeaconSpan& operator=(const BeaconSpan&) = delete;
    void Next() {
        if (m_beacon) m_beacon->Next();
    }

private:
    CallBeacon* m_beacon;
};

}  // namespace wdx
