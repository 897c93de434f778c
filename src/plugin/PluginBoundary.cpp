#include "plugin/PluginBoundary.h"

#include "plugin/ValueText.h"

#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace wdx {

namespace {

using DllMainFn = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// The loader's own entry of a module: its entry point is what the loader
// calls as DllMain (winternl.h's Reserved3[0], after DllBase).
// The process environment block, read from the thread block's segment
// (NtCurrentTeb's own way; its header form trips GCC's bounds warning).
PEB* CurrentPeb() {
    PEB* peb = nullptr;
#if defined(_WIN64)
    __asm__("movq %%gs:0x60, %0" : "=r"(peb));
#else
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
#endif
    return peb;
}

PVOID* EntryPointSlot(HMODULE module) {
    LIST_ENTRY* head = &CurrentPeb()->Ldr->InMemoryOrderModuleList;
    for (LIST_ENTRY* link = head->Flink; link != head; link = link->Flink) {
        auto* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
        if (entry->DllBase == module) return &entry->Reserved3[0];
    }
    return nullptr;
}

// The release in progress on the UI thread, for GuardedDllMain.
struct DetachCall {
    HMODULE module;
    DllMainFn entry;
    DWORD code;
};
DetachCall* g_detach = nullptr;

// Stands in for the plugin's DllMain during its release: the loader would
// catch a fault there itself, out of the guard's sight, and so would swallow
// it; this guard sits right around DllMain, inside the loader's.
BOOL WINAPI GuardedDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    DetachCall* call = g_detach;
    if (!call || instance != call->module) return TRUE;
    FaultGuard guard;
    BOOL result = TRUE;
    if (guard.Run([&]() noexcept { result = call->entry(instance, reason, reserved); })) return result;
    call->code = guard.Code();
    return FALSE;
}

// Whether a failed load failed because DllMain faulted: the loader caught an
// exception of error severity there and failed the load with it. A DllMain
// that handled its own exceptions (OutputDebugString raises one and handles
// it) and then returned FALSE failed the load by itself.
bool DllMainFaulted(DWORD observed, DWORD loadError) {
    const bool errorSeverity = (observed & 0xC0000000u) == 0xC0000000u;
    return errorSeverity && loadError != ERROR_DLL_INIT_FAILED;
}

// The loader's lock (ntdll's, on Windows and under Wine): another thread may
// load a library, and so change the module list, while we walk it.
class LoaderLock {
public:
    LoaderLock() {
        if (Entry().lock) Entry().lock(0, nullptr, &m_cookie);
    }
    ~LoaderLock() {
        if (m_cookie && Entry().unlock) Entry().unlock(0, m_cookie);
    }
    LoaderLock(const LoaderLock&) = delete;
    LoaderLock& operator=(const LoaderLock&) = delete;

private:
    struct Entries {
        LONG(NTAPI* lock)(ULONG flags, ULONG* disposition, ULONG_PTR* cookie) = nullptr;
        LONG(NTAPI* unlock)(ULONG flags, ULONG_PTR cookie) = nullptr;
    };
    static const Entries& Entry() {
        static const Entries entries = [] {
            Entries e;
            const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
            e.lock = reinterpret_cast<decltype(e.lock)>(::GetProcAddress(ntdll, "LdrLockLoaderLock"));
            e.unlock = reinterpret_cast<decltype(e.unlock)>(::GetProcAddress(ntdll, "LdrUnlockLoaderLock"));
            return e;
        }();
        return entries;
    }
    ULONG_PTR m_cookie = 0;
};

// The module's DllMain slot swapped for `entry` under the loader's lock;
// answers what was there (null when the module has no entry point).
PVOID SwapEntryPoint(HMODULE module, PVOID entry) {
    LoaderLock lock;
    PVOID* slot = EntryPointSlot(module);
    if (!slot || !*slot) return nullptr;
    return std::exchange(*slot, entry);
}

// 0 when the release went through cleanly, else the fault's code.
DWORD FreeLibraryGuarded(HMODULE module, FaultGuard& guard) {
    DetachCall call{module, nullptr, 0};
    call.entry = reinterpret_cast<DllMainFn>(SwapEntryPoint(module, reinterpret_cast<PVOID>(&GuardedDllMain)));
    if (call.entry) g_detach = &call;
    const bool returned = guard.Run([module]() noexcept { ::FreeLibrary(module); });
    g_detach = nullptr;
    // Still loaded (another reference): DllMain is the plugin's own again.
    if (call.entry) SwapEntryPoint(module, reinterpret_cast<PVOID>(call.entry));
    return returned ? call.code : guard.Code();
}

// The loader mapped the whole image from its base: its size is in its own headers.
PluginBoundary::ImageSpan ImageOf(HMODULE module) {
    const auto base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return {reinterpret_cast<uintptr_t>(module), nt->OptionalHeader.SizeOfImage};
}

}  // namespace

void CopyPathCut(char (&dest)[MAX_PATH], const char* source) {
    size_t n = source ? strnlen(source, MAX_PATH - 1) : 0;
    std::memcpy(dest, source ? source : "", n);
    dest[n] = '\0';
}

TimedFetch FetchValue(ContentGetValueFn getValue, char* file, int fieldIndex, char* buffer) {
    return TimeValueCall([&] { return getValue(file, fieldIndex, kUnitValue, buffer, kBufferSize, 0); });
}

PluginEntryPoints ResolveEntryPoints(HMODULE plugin) {
    PluginEntryPoints ep;
    ep.getSupportedField =
        reinterpret_cast<ContentGetSupportedFieldFn>(::GetProcAddress(plugin, kGetSupportedFieldName));
    ep.getValue = reinterpret_cast<ContentGetValueFn>(::GetProcAddress(plugin, kGetValueName));
    ep.setDefaultParamsName = kSetDefaultParamsName;
    FARPROC setParams = ::GetProcAddress(plugin, kSetDefaultParamsName);
    if (!setParams) {
        setParams = ::GetProcAddress(plugin, kSetDefaultParamsOldName);
        ep.setDefaultParamsName = kSetDefaultParamsOldName;
    }
    ep.setDefaultParams = reinterpret_cast<ContentSetDefaultParamsFn>(setParams);
    if (!setParams) ep.setDefaultParamsName = nullptr;
    return ep;
}

PluginDefaultParams MakeDefaultParams(const char* iniPath) {
    PluginDefaultParams params{};
    params.size = kDefaultParamsSize;
    params.versionLow = kInterfaceVersionLow;
    params.versionHigh = kInterfaceVersionHigh;
    CopyPathCut(params.defaultIniName, iniPath);
    return params;
}

std::string ExceptionValueText(DWORD code) {
    char text[32];
    std::snprintf(text, sizeof text, "<Exception 0x%08lX>", static_cast<unsigned long>(code));
    return text;
}

std::string FaultMessage(const PluginFault& fault, const char* libraryPath) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(fault.code));
    const std::string library = libraryPath ? libraryPath : "";
    const std::string head = "Exception " + std::string(code) + " in ";
    switch (fault.call) {
    case PluginCall::Load:
        return head + "DllMain while loading " + library;
    case PluginCall::Release:
        return head + "DllMain while releasing " + library;
    case PluginCall::SetDefaultParams:
    case PluginCall::Other:
        return head + fault.entryPoint + " of " + library;
    case PluginCall::GetSupportedField:
    case PluginCall::GetValue:
        break;
    }
    return head + fault.entryPoint + ", field " + std::to_string(fault.fieldIndex) + ", of " + library;
}

void PluginBoundary::GuardedFree::operator()(HMODULE module) const {
    FaultGuard guard;
    FreeLibraryGuarded(module, guard);
}

bool PluginBoundary::Faulted(PluginCall call, const char* entryPoint, int fieldIndex, DWORD code) {
    // The guard's own fault has its address; one seen otherwise (a worker's, the loader's) has none.
    m_fault = PluginFault{call, entryPoint, fieldIndex, code, m_guard.Code() == code ? m_guard.Address() : 0};
    m_hasFault = true;
    return false;
}

PluginBoundary::OpenResult PluginBoundary::Open(const char* path) {
    Release();
    m_hasFault = false;
    m_loadError = 0;
    CopyPathCut(m_path, path);

    HMODULE module = nullptr;
    DWORD error = 0;
    m_fpuChange.reset();
    bool returned;
    {
        BeaconSpan span(m_beacon, "DllMain while loading", -1);
        returned = m_guard.RunObserved([&]() noexcept {
            module = ::LoadLibraryA(m_path);
            error = ::GetLastError();  // at once: nothing may overwrite it
        });
    }
    NoteFpu("DllMain", -1);
    if (!returned) {
        Faulted(PluginCall::Load, "DllMain", -1, m_guard.Code());
        return OpenResult::Faulted;
    }
    if (!module) {
        if (DllMainFaulted(m_guard.ObservedCode(), error)) {
            Faulted(PluginCall::Load, "DllMain", -1, m_guard.ObservedCode());
            return OpenResult::Faulted;
        }
        m_loadError = error;
        return OpenResult::LoadFailed;
    }
    m_module.reset(module);
    m_image = ImageOf(module);
    m_entry = ResolveEntryPoints(module);
    ResolveToday(module);
    return m_entry.IsValid() ? OpenResult::Opened : OpenResult::NotAPlugin;
}

bool PluginBoundary::Release() {
    m_entry = PluginEntryPoints{};
    ResolveToday(nullptr);
    if (!m_module) return true;
    BeaconSpan span(m_beacon, "DllMain while releasing", -1);
    const DWORD code = FreeLibraryGuarded(m_module.release(), m_guard);
    if (code) return Faulted(PluginCall::Release, "DllMain", -1, code);
    return true;
}

void PluginBoundary::Abandon() {
    m_entry = PluginEntryPoints{};
    ResolveToday(nullptr);
    m_module.release();
}

bool PluginBoundary::SetDefaultParams(const char* iniPath) {
    const ContentSetDefaultParamsFn setParams = m_entry.setDefaultParams;
    if (!setParams) return true;
    PluginDefaultParams params = MakeDefaultParams(iniPath);
    BeaconSpan span(m_beacon, m_entry.setDefaultParamsName, -1);
    if (!m_guard.Run([&]() noexcept { setParams(&params); }))
        return Faulted(PluginCall::SetDefaultParams, m_entry.setDefaultParamsName, -1, m_guard.Code());
    return true;
}

void PluginBoundary::SetFile(const char* path) { CopyPathCut(m_file, path); }

bool PluginBoundary::QueryField(int index, PluginField& field) {
    field = PluginField{};
    field.index = index;
    field.name = m_name;
    field.units = m_value;
    const ContentGetSupportedFieldFn getField = m_entry.getSupportedField;
    int type = kNoMoreFields;
    if (!m_guard.Run([&]() noexcept { type = getField(index, m_name, m_value, kBufferSize); }))
        return Faulted(PluginCall::GetSupportedField, kGetSupportedFieldName, index, m_guard.Code());
    field.declaredType = type;
    field.type = type == kNoMoreFields ? type : ClampFieldType(type);
    return true;
}

bool PluginBoundary::Fetch(int index, ValueFetch& fetch) {
    fetch = ValueFetch{};
    fetch.value = m_value;
    const ContentGetValueFn getValue = m_entry.getValue;
    char* const file = m_file;
    char* const value = m_value;
    TimedFetch timed;
    bool returned = m_guard.Run([&]() noexcept { timed = FetchValue(getValue, file, index, value); });
    if (returned) {
        fetch.code = timed.code;
        fetch.first = timed.first;
        fetch.second = timed.second;
        if (timed.code == kFulltext)
            returned = m_guard.Run([&]() noexcept { getValue(file, index, kUnitCloseFulltext, value, kBufferSize, 0); });
        if (returned) return true;
    }
    fetch.faulted = true;
    fetch.exceptionCode = m_guard.Code();
    return Faulted(PluginCall::GetValue, kGetValueName, index, m_guard.Code());
}

bool PluginBoundary::InspectFields(FieldSink& sink) {
    for (int i = 0; i < kMaxFields; ++i) {
        PluginField field;
        if (!QueryField(i, field)) return false;
        if (field.declaredType == kNoMoreFields) break;
        sink.OnField(field);
        ValueFetch fetch;
        const bool returned = Fetch(i, fetch);
        sink.OnValue(field, fetch);
        if (!returned) return false;
    }
    return true;
}

}  // namespace wdx
