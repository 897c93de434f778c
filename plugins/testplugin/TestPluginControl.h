// Remote control of the test content plugin (testplugin.wdx / .wdx64).
//
// The plugin keeps no state of its own: its fields, the results it gives and
// the log of every call live in a named shared-memory block that the test
// creates. The block's name travels in the environment variable
// PROBELET_TESTPLUGIN (so a child process started by the test finds it too),
// and the plugin opens it on every call. The plugin can therefore be unloaded
// and reloaded between runs and the log still shows every load.
//
// In a test:
//
//     testplugin::Session plugin;                 // creates the block, sets the variable
//     plugin.AddText("Name", wdx::kString, "hello");
//     plugin.AddInt32("Count", 42);
//     plugin.AddRaw("Odd", wdx::kNumeric32, 0);   // declared type, value code, no bytes
//     InspectPlugin(state, list, testplugin::Path().c_str());
//     auto calls = plugin.Calls();                // every entry-point call, in order
//     EXPECT_EQ(plugin.Data().loads, 1);
//
// Fields can be edited afterwards through Field(i) (a TestField, see below).
// Path(variant) names the DLLs built from the same source with other exports
// (the old spelling of the default-parameters entry point, none at all, a
// missing required entry point) or, Variant::Faulty, with the faults that
// PlanFault() asks for. Only one Session may exist at a time.
//
// The block's layout uses fixed-width types only, so a 32-bit plugin and a
// 64-bit test (or the other way round) would still agree on it.
#pragma once

#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace testplugin {

constexpr char kEnvironmentVariable[] = "PROBELET_TESTPLUGIN";
constexpr int kMaxFields = 32;
constexpr int kMaxCalls = 2048;

// The exports a plugin DLL of this source carries.
enum class Variant {
    Standard,       // ContentGetSupportedField, ContentGetValue, ContentSetDefaultParams
    OldParamsName,  // ... and ContentSetDefaultParam instead
    BothParamsNames,// ... and both spellings
    NoParams,       // the two required entry points only
    NoGetValue,     // ContentGetSupportedField and ContentSetDefaultParams only
    NoGetField,     // ContentGetValue and ContentSetDefaultParams only
    Faulty,         // as Standard, and faults where Block::fault says
    // As Faulty without any C++ throw: a throw links the C++ runtime's
    // emergency exception pool, allocated at every load and never freed,
    // which would hide what Probelet itself keeps across faults.
    FaultySeh,
};

enum class Entry : int32_t {
    GetSupportedField = 1,
    GetValue = 2,
    SetDefaultParams = 3,    // called by the name with the final "s"
    SetDefaultParamOld = 4,  // called by the name without it
};

// How the faulty variant fails (Block::fault.kind).
enum class FaultKind : int32_t {
    None = 0,
    AccessViolation,     // writes through a null pointer: 0xC0000005
    DivideByZero,        // integer division: 0xC0000094
    IllegalInstruction,  // ud2: 0xC000001D
    StackOverflow,       // unbounded recursion: 0xC00000FD
    CxxException,        // RaiseException as an MSVC-built throw does: 0xE06D7363
    MinGWThrow,          // a C++ throw of our own compiler escaping the entry point
    HandledInside,       // raises and catches its own exceptions, then carries on normally
    // Writes through a null pointer (0xC0000005) with all ones in every
    // callee-saved register (xmm6-xmm15 too on x86-64), which the guard owes its caller.
    FillsRegisters,
};

// Where the faulty variant fails (Block::fault.point).
enum class FaultPoint : int32_t {
    None = 0,
    Load,               // DllMain, DLL_PROCESS_ATTACH
    Unload,             // DllMain, DLL_PROCESS_DETACH
    SetDefaultParams,
    GetSupportedField,  // for fault.fieldIndex
    GetValue,           // for fault.fieldIndex, unit index 0
};

constexpr uint32_t kCxxExceptionCode = 0xE06D7363;

struct FaultPlan {
    int32_t point;       // FaultPoint
    int32_t kind;        // FaultKind
    int32_t fieldIndex;
    int32_t faults;      // times the plan was carried out
    int32_t unloadKind;  // FaultKind: DllMain's DLL_PROCESS_DETACH faults so too, whatever point says
};

// One field as the plugin reports it.
struct TestField {
    char name[wdx::kBufferSize];
    int32_t nameSize;       // bytes of name copied into the name buffer (may omit the terminator)
    char units[64];         // written to the units buffer (zero-terminated)
    int32_t type;           // returned by ContentGetSupportedField
    int32_t valueCode;      // returned by the value fetch (unit index 0)
    uint8_t value[wdx::kBufferSize];
    int32_t valueSize;      // bytes of value copied into the value buffer
    int32_t closeResult;    // returned by the closing call (unit index -1)
    char closeText[64];     // written into the buffer by the closing call when closeSize > 0
    int32_t closeSize;
    int64_t fetchSpinCounts;  // the value fetch busy-waits this many performance-counter counts
    int64_t closeSpinCounts;  // the closing call likewise
};

// One entry-point call as the plugin saw it.
struct Call {
    int32_t entry;        // Entry
    int32_t fieldIndex;
    int32_t unitIndex;
    int32_t maxLen;
    int32_t flags;
    int32_t loadNumber;   // which load of the DLL made the call (1 = first)
    uint64_t nameBuffer;  // buffer addresses: GetSupportedField's name and units,
    uint64_t unitsBuffer; // GetValue's value buffer in unitsBuffer
    char file[MAX_PATH];  // GetValue's file path (up to MAX_PATH - 1 bytes)
    uint8_t params[wdx::kDefaultParamsSize];  // the record handed to SetDefaultParams
    uint8_t bufferOnEntry[16];  // first bytes of the units/value buffer when called
};

// The shared block.
struct Block {
    int32_t fieldCount;    // fields 0..fieldCount-1 come from fields[]
    int32_t endlessType;   // when non-zero, every index >= fieldCount is a field of this type
    TestField fields[kMaxFields];
    int32_t loads;         // DLL_PROCESS_ATTACH seen
    int32_t unloads;       // DLL_PROCESS_DETACH seen
    int32_t callCount;     // all calls, also those beyond the log's capacity
    Call calls[kMaxCalls];
    FaultPlan fault;       // read by the faulty variant only
    // ContentGetValue for field 0 (unit index 0) shows a message box of its
    // own, ownerless, kBoxText, this many more times: a plugin that runs a
    // message loop while Probelet waits for it.
    int32_t boxesLeft;
    int32_t boxesShown;
};

constexpr char kBoxText[] = "The test plugin asks";

// The DLL of a variant, beside the running program under plugins/.
inline std::string Path(Variant variant = Variant::Standard) {
    static const char* const kNames[] = {"testplugin", "testplugin_oldname", "testplugin_bothnames",
                                         "testplugin_noparams", "testplugin_nogetvalue", "testplugin_nogetfield",
                                         "testplugin_faulty", "testplugin_faulty_seh"};
    char exe[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe, n);
    dir = dir.substr(0, dir.find_last_of('\\'));
    return dir + "\\plugins\\" + kNames[static_cast<int>(variant)] + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
}

// Test side: owns the block for its lifetime.
class Session {
public:
    Session() {
        static unsigned counter = 0;
        char name[64];
        std::snprintf(name, sizeof name, "ProbeletTestPlugin-%lu-%u", ::GetCurrentProcessId(), ++counter);
        m_mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Block), name);
        if (!m_mapping) throw std::runtime_error("cannot create the test plugin's block");
        m_block = static_cast<Block*>(::MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)));
        if (!m_block) throw std::runtime_error("cannot map the test plugin's block");
        std::memset(m_block, 0, sizeof(Block));
        ::SetEnvironmentVariableA(kEnvironmentVariable, name);
    }
    ~Session() {
        ::SetEnvironmentVariableA(kEnvironmentVariable, nullptr);
        ::UnmapViewOfFile(m_block);
        ::CloseHandle(m_mapping);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Block& Data() { return *m_block; }
    TestField& Field(int index) { return m_block->fields[index]; }

    // A field with declared type `type`, value code `valueCode` and the value bytes given.
    TestField& AddRaw(const char* name, int type, int valueCode, const void* value = nullptr, size_t size = 0) {
        if (m_block->fieldCount >= kMaxFields) throw std::length_error("too many test fields");
        TestField& f = m_block->fields[m_block->fieldCount++];
        std::memset(&f, 0, sizeof f);
        size_t n = strnlen(name, sizeof f.name - 1);
        std::memcpy(f.name, name, n);
        f.nameSize = static_cast<int32_t>(n + 1);
        f.type = type;
        f.valueCode = valueCode;
        if (size > sizeof f.value) size = sizeof f.value;
        if (value) std::memcpy(f.value, value, size);
        f.valueSize = static_cast<int32_t>(size);
        return f;
    }
    // Text fields (Choice, String, Fulltext): the text with its terminator.
    TestField& AddText(const char* name, int type, const std::string& text) {
        return AddRaw(name, type, type, text.c_str(), text.size() + 1);
    }
    TestField& AddInt32(const char* name, int32_t v) { return AddRaw(name, wdx::kNumeric32, wdx::kNumeric32, &v, 4); }
    TestField& AddInt64(const char* name, int64_t v) { return AddRaw(name, wdx::kNumeric64, wdx::kNumeric64, &v, 8); }
    TestField& AddFloat(const char* name, double v) { return AddRaw(name, wdx::kFloat, wdx::kFloat, &v, 8); }
    TestField& AddBool(const char* name, int32_t v) { return AddRaw(name, wdx::kBool, wdx::kBool, &v, 4); }
    TestField& AddDate(const char* name, int16_t y, int16_t m, int16_t d) {
        int16_t v[3] = {y, m, d};
        return AddRaw(name, wdx::kDate, wdx::kDate, v, sizeof v);
    }
    TestField& AddTime(const char* name, int16_t h, int16_t m, int16_t s) {
        int16_t v[3] = {h, m, s};
        return AddRaw(name, wdx::kTime, wdx::kTime, v, sizeof v);
    }

    // The logged calls (at most kMaxCalls; Data().callCount counts them all).
    std::vector<Call> Calls() const { return Logged([](const Call&) { return true; }); }
    // The logged calls of one entry point.
    std::vector<Call> Calls(Entry entry) const {
        return Logged([entry](const Call& c) { return c.entry == static_cast<int32_t>(entry); });
    }
    void ClearCalls() { m_block->callCount = 0; }
    // The faulty variant fails at point in the way kind, for field fieldIndex
    // where the point takes one.
    void PlanFault(FaultPoint point, FaultKind kind, int fieldIndex = 0) {
        m_block->fault = FaultPlan{static_cast<int32_t>(point), static_cast<int32_t>(kind), fieldIndex, 0, 0};
    }
    // The release faults in the way kind as well: two faults in one run.
    void AlsoFaultOnUnload(FaultKind kind) { m_block->fault.unloadKind = static_cast<int32_t>(kind); }

private:
    template <class Keep>
    std::vector<Call> Logged(Keep keep) const {
        const int n = m_block->callCount < kMaxCalls ? m_block->callCount : kMaxCalls;
        std::vector<Call> out;
        for (int i = 0; i < n; ++i)
            if (keep(m_block->calls[i])) out.push_back(m_block->calls[i]);
        return out;
    }

    HANDLE m_mapping = nullptr;
    Block* m_block = nullptr;
};

}  // namespace testplugin
