#include "cli/PluginProbe.h"

#include "cli/ModernValues.h"
#include "plugin/ValueText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace cli {

namespace {

using wdx::PluginCall;

constexpr size_t kGuardBytes = 16;
constexpr unsigned char kGuardByte = 0xA5;
constexpr char kGuard[kGuardBytes + 1] = "\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5\xA5";
// What a name buffer holds before the plugin writes: no terminator anywhere,
// so a name the plugin leaves open shows as open.
constexpr unsigned char kUnwrittenByte = 0xEE;

using wdx::kGetValueWName;
using wdx::kWideString;
constexpr const char* kDetectStringName = wdx::kGetDetectStringName;
constexpr const char* kFieldFlagsName = wdx::kGetSupportedFieldFlagsName;
constexpr const char* kUnloadingName = wdx::kPluginUnloadingName;
constexpr int kDetectStringSize = 2048;

// Bytes the plugin may write, followed by guard bytes it must leave alone.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size) : m_size(size), m_bytes(size + kGuardBytes) {}
    void Prepare(unsigned char fill) {
        std::memset(m_bytes.data(), fill, m_size);
        std::memset(m_bytes.data() + m_size, kGuardByte, kGuardBytes);
    }
    char* Data() { return m_bytes.data(); }
    const char* Data() const { return m_bytes.data(); }
    // The guard bytes alone, after the plugin wrote over them.
    void Rearm() { std::memset(m_bytes.data() + m_size, kGuardByte, kGuardBytes); }
    bool Overrun() const { return std::memcmp(m_bytes.data() + m_size, kGuard, kGuardBytes) != 0; }

private:
    size_t m_size;
    std::vector<char> m_bytes;
};

std::string Hex(DWORD code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

double Ms(int64_t first, int64_t second, int64_t frequency) {
    if (frequency <= 0) return 0;
    return static_cast<double>(static_cast<uint64_t>(second) - static_cast<uint64_t>(first)) * 1000.0 /
           static_cast<double>(frequency);
}

// The machine a PE image is built for; 0 for a file that is none.
WORD PeMachine(const std::string& utf8Path) {
    HANDLE file = ::CreateFileW(Utf8ToWide(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    unsigned char head[4096] = {};
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file, head, sizeof head, &read, nullptr);
    ::CloseHandle(file);
    if (!ok || read < 0x40 || head[0] != 'M' || head[1] != 'Z') return 0;
    DWORD pe = 0;
    std::memcpy(&pe, head + 0x3C, sizeof pe);
    if (pe > read - 6 || std::memcmp(head + pe, "PE\0\0", 4) != 0) return 0;
    WORD machine = 0;
    std::memcpy(&machine, head + pe + 4, sizeof machine);
    return machine;
}

// The system's text for a load error, its insert filled with the path; the
// one error a plugin author meets most gets a word on what to do.
std::string SystemErrorText(DWORD error, const std::string& path) {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : std::string("unknown error");
    if (text) ::LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    for (size_t at; (at = out.find("%1")) != std::string::npos;) out.replace(at, 2, path);
    out += " (error " + std::to_string(error) + ")";
    if (error == ERROR_BAD_EXE_FORMAT) {
        constexpr WORD kOurs = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
        constexpr WORD kOther = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
        const WORD machine = PeMachine(path);
        if (machine == kOther)
            out += kOther == IMAGE_FILE_MACHINE_I386 ? ": it is a 32-bit plugin; use the 32-bit probelet-cli (x86)"
                                                     : ": it is a 64-bit plugin; use the 64-bit probelet-cli (x64)";
        else if (machine != kOurs)
            out += ": it is not a Windows library";
    }
    return out;
}

std::vector<std::string> SplitUnits(const std::string& units) {
    std::vector<std::string> parts;
    if (units.empty()) return parts;
    size_t start = 0;
    for (;;) {
        const size_t bar = units.find('|', start);
        parts.push_back(units.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) return parts;
        start = bar + 1;
    }
}

// A value as a problem's detail names it; the result code where it is no value.
std::string Quoted(int code, const std::string& text) {
    return code > 0 ? "\"" + text + "\"" : "result " + std::to_string(code);
}

bool KnownType(int code) { return code >= wdx::kNumeric32 && code <= kWideString; }

// The wide entry point may give the wide form of a text field.
bool SameKind(int declared, int result, bool wide) {
    if (declared == result) return true;
    return wide && declared == wdx::kString && result == kWideString;
}

}  // namespace

void PluginProbe::AddProblem(Report& report, const std::string* file, int field, const char* kind,
                             const std::string& detail) {
    AddProblemUtf8(report, file, field, kind, AnsiToUtf8(detail));
}

void PluginProbe::AddProblemUtf8(Report& report, const std::string* file, int field, const char* kind,
                                 std::string detail) {
    Problem p;
    if (file) p.file = *file;
    if (field >= 0) p.field = field;
    p.kind = kind;
    p.detail = std::move(detail);
    report.problems.push_back(std::move(p));
}

void PluginProbe::AddFault(Report& report, const std::string* file, int field) {
    const wdx::PluginFault& fault = m_plugin.Fault();
    m_faulted = true;
    AddProblem(report, file, field, "fault", std::string(fault.entryPoint) + ": exception " + Hex(fault.code));
}

bool PluginProbe::Load(const std::string& ansiPath, Report& report) {
    m_extras = Extras{};
    switch (m_plugin.Open(ansiPath.c_str())) {
    case wdx::PluginBoundary::OpenResult::Opened:
        break;
    case wdx::PluginBoundary::OpenResult::LoadFailed:
        m_loadMessage = "cannot load " + m_pluginPath + ": " + SystemErrorText(m_plugin.LoadError(), m_pluginPath);
        m_notLoaded = true;
        return false;
    case wdx::PluginBoundary::OpenResult::NotAPlugin:
        m_loadMessage = m_pluginPath + " is not a content plugin: it does not export " +
                        (m_plugin.EntryPoints().getSupportedField ? wdx::kGetValueName : wdx::kGetSupportedFieldName);
        m_plugin.Release();
        m_notLoaded = true;
        return false;
    case wdx::PluginBoundary::OpenResult::Faulted:
        // Its start-up code faulted: it cannot be loaded.
        m_loadMessage = "cannot load " + m_pluginPath + ": " + m_plugin.FaultText();
        m_notLoaded = true;
        return false;
    }
    const HMODULE module = m_plugin.Module();
    m_extras.getValueW = reinterpret_cast<wdx::ContentGetValueWFn>(::GetProcAddress(module, kGetValueWName));
    m_extras.getDetectString =
        reinterpret_cast<wdx::ContentGetDetectStringFn>(::GetProcAddress(module, kDetectStringName));
    m_extras.getFieldFlags = reinterpret_cast<wdx::ContentGetSupportedFieldFlagsFn>(::GetProcAddress(module, kFieldFlagsName));
    m_extras.unloading = reinterpret_cast<wdx::ContentPluginUnloadingFn>(::GetProcAddress(module, kUnloadingName));

    // The host asks for the detect string before anything else.
    if (m_extras.getDetectString && !report.detectString) {
        GuardedBuffer text(kDetectStringSize);
        text.Prepare(0);
        const auto get = m_extras.getDetectString;
        if (!m_plugin.Guarded(PluginCall::Other, kDetectStringName, -1,
                              [&] { get(text.Data(), kDetectStringSize); })) {
            AddFault(report, nullptr, -1);
            return false;
        }
        report.detectString = AnsiToUtf8(wdx::BoundedText(text.Data(), kDetectStringSize));
        if (m_options.check && text.Overrun())
            AddProblem(report, nullptr, -1, "buffer-overrun", std::string(kDetectStringName) + " wrote past its buffer");
    }
    if (!m_plugin.SetDefaultParams(m_options.ini.c_str())) {
        AddFault(report, nullptr, -1);
        return false;
    }
    return true;
}

void PluginProbe::Unload(Report& report) {
    if (!m_plugin.IsLoaded()) return;
    if (const auto unloading = m_extras.unloading) {
        if (!m_plugin.Guarded(PluginCall::Other, kUnloadingName, -1, [&] { unloading(); }))
            AddFault(report, nullptr, -1);
    }
    if (!m_plugin.Release()) AddFault(report, nullptr, -1);
}

bool PluginProbe::Enumerate(Report& report, bool check) {
    m_fields.clear();
    GuardedBuffer name(wdx::kBufferSize);
    GuardedBuffer units(wdx::kBufferSize);
    const auto getField = m_plugin.EntryPoints().getSupportedField;
    std::set<std::string> seen;
    for (int i = 0; i < wdx::kMaxFields; ++i) {
        name.Prepare(kUnwrittenByte);
        units.Prepare(0);
        int type = 0;
        if (!m_plugin.Guarded(PluginCall::GetSupportedField, wdx::kGetSupportedFieldName, i,
                              [&] { type = getField(i, name.Data(), units.Data(), wdx::kBufferSize); })) {
            AddFault(report, nullptr, i);
            return false;
        }
        if (type == wdx::kNoMoreFields) break;
        Field field;
        field.index = i;
        field.declaredType = type;
        field.name = wdx::BoundedText(name.Data(), wdx::kBufferSize);
        field.units = wdx::BoundedText(units.Data(), wdx::kBufferSize);
        if (const auto flags = m_extras.getFieldFlags) {
            int value = 0;
            if (!m_plugin.Guarded(PluginCall::GetSupportedField, kFieldFlagsName, i, [&] { value = flags(i); })) {
                AddFault(report, nullptr, i);
                return false;
            }
            field.flags = value;
        }
        if (check) {
            const bool terminated = std::memchr(name.Data(), '\0', wdx::kBufferSize) != nullptr;
            if (!terminated)
                AddProblem(report, nullptr, i, "name-unterminated",
                           "the name fills its " + std::to_string(wdx::kBufferSize) + "-byte buffer without a terminator");
            else if (field.name.empty())
                AddProblem(report, nullptr, i, "name-empty", "the field has no name");
            else if (!seen.insert(field.name).second)
                AddProblem(report, nullptr, i, "name-duplicate", "\"" + field.name + "\" is an earlier field's name");
            if (!KnownType(type))
                AddProblem(report, nullptr, i, "type-invalid", "declared type " + std::to_string(type) + " is not a known code");
            if (name.Overrun() || units.Overrun())
                AddProblem(report, nullptr, i, "buffer-overrun",
                           std::string(wdx::kGetSupportedFieldName) + " wrote past its " +
                               (name.Overrun() ? "name" : "units") + " buffer");
        }
        m_fields.push_back(std::move(field));
    }
    return true;
}

bool PluginProbe::InspectFile(const std::string& file, FileReport& out, Report& report, bool checkNoSuchField) {
    out.file = file;
    const std::wstring wide = Utf8ToWide(file);
    const std::string ansi = Utf8ToAnsiPath(file);
    const bool useWide = m_extras.getValueW != nullptr;
    const auto getValue = m_plugin.EntryPoints().getValue;
    const auto getValueW = m_extras.getValueW;
    const char* const entry = useWide ? kGetValueWName : wdx::kGetValueName;
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);

    // The path handed over, in a buffer the plugin may write into; compared
    // with the original afterwards.
    GuardedBuffer pathA(MAX_PATH);
    GuardedBuffer pathW((wide.size() + 1) * sizeof(wchar_t));
    auto preparePath = [&] {
        pathA.Prepare(0);
        std::memcpy(pathA.Data(), ansi.data(), std::min<size_t>(ansi.size(), MAX_PATH - 1));
        pathW.Prepare(0);
        std::memcpy(pathW.Data(), wide.c_str(), wide.size() * sizeof(wchar_t));
    };
    auto pathChanged = [&] {
        if (useWide)
            return std::memcmp(pathW.Data(), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)) != 0;
        const size_t n = std::min<size_t>(ansi.size(), MAX_PATH - 1);  // what preparePath copied
        return std::memcmp(pathA.Data(), ansi.data(), n) != 0 || pathA.Data()[n] != '\0';
    };
    GuardedBuffer value(wdx::kBufferSize);
    // One value call; false on a fault.
    // One value call for the file, into the value buffer (not guarded here).
    auto fetch = [&](int index, int unit) {
        return useWide ? getValueW(reinterpret_cast<wchar_t*>(pathW.Data()), index, unit, value.Data(),
                                   wdx::kBufferSize, 0)
                       : getValue(pathA.Data(), index, unit, value.Data(), wdx::kBufferSize, 0);
    };

    for (const Field& f : m_fields) {
        FieldReport row;
        row.index = f.index;
        row.name = AnsiToUtf8(f.name);
        row.type = TypeName(f.declaredType);
        row.typeCode = f.declaredType;
        for (const std::string& u : SplitUnits(f.units)) row.units.push_back(AnsiToUtf8(u));
        row.flags = f.flags;

        const int repeat = m_options.repeat;
        const bool compare = m_options.check && repeat > 1;
        std::vector<int64_t> spans(static_cast<size_t>(repeat));
        std::vector<char> firstBytes(wdx::kBufferSize), otherBytes(wdx::kBufferSize);
        bool modified = false, overrun = false, differs = false;
        int firstCode = 0, otherCode = 0;
        int r = 0;
        // Once per field: between repeats only what the plugin changed is put
        // back, so a repeat costs little more than the call it times.
        preparePath();
        value.Prepare(0);
        // All repeats under one guard: a fault in any of them ends the field
        // there (r says which). Nothing in the loop allocates or can throw.
        const bool returned = m_plugin.Guarded(PluginCall::GetValue, entry, f.index, [&] {
            for (; r < repeat; ++r) {
                LARGE_INTEGER first, second;
                // The same span as the window's: the counter read directly around the call.
                ::QueryPerformanceCounter(&first);
                const int code = fetch(f.index, wdx::kUnitValue);
                ::QueryPerformanceCounter(&second);
                spans[static_cast<size_t>(r)] = second.QuadPart - first.QuadPart;
                if (code == wdx::kFulltext) fetch(f.index, wdx::kUnitCloseFulltext);
                // Every repeat asks about the same file, whatever the plugin did to its copy.
                if (pathChanged()) {
                    modified = true;
                    preparePath();
                }
                if (r == 0) {
                    firstCode = code;
                    std::memcpy(firstBytes.data(), value.Data(), wdx::kBufferSize);
                } else if (compare && !differs &&
                           (code != firstCode ||
                            (code > 0 && std::memcmp(value.Data(), firstBytes.data(), wdx::kBufferSize) != 0))) {
                    differs = true;
                    otherCode = code;
                    std::memcpy(otherBytes.data(), value.Data(), wdx::kBufferSize);
                }
                if (value.Overrun() || (useWide ? pathW.Overrun() : pathA.Overrun())) {
                    overrun = true;
                    value.Rearm();
                    pathA.Rearm();
                    pathW.Rearm();
                }
            }
        });
        std::vector<double> samples;
        samples.reserve(static_cast<size_t>(r));
        for (int k = 0; k < r; ++k)
            samples.push_back(Ms(0, spans[static_cast<size_t>(k)], frequency.QuadPart));
        if (!returned) {
            row.value = wdx::ExceptionValueText(m_plugin.Fault().code);
            row.fault = std::string(entry) + " " + Hex(m_plugin.Fault().code);
            if (r > 0) row.ms = Summarize(samples);  // the repeats before the fault
            AddFault(report, &file, f.index);
            out.fields.push_back(std::move(row));
            return false;
        }
        row.result = firstCode;
        row.value = ValueText(firstCode, firstBytes.data(), wdx::kBufferSize);
        // Other bytes may still read as the same text (past a terminator).
        const std::string otherValue = differs ? ValueText(otherCode, otherBytes.data(), wdx::kBufferSize) : "";
        const bool unstable = differs && (otherCode != firstCode || otherValue != row.value);
        row.ms = Summarize(samples);
        if (m_options.check) {
            if (modified) AddProblem(report, &file, f.index, "path-modified", std::string(entry) + " wrote into the file path it was handed");
            if (overrun) AddProblem(report, &file, f.index, "buffer-overrun", std::string(entry) + " wrote past the buffer it was given");
            if (KnownType(f.declaredType) && firstCode > 0 && !SameKind(f.declaredType, firstCode, useWide))
                AddProblem(report, &file, f.index, "value-type-mismatch",
                           "declared type " + std::to_string(f.declaredType) + ", value returned as " +
                               std::to_string(firstCode));
            if (unstable)
                AddProblemUtf8(report, &file, f.index, "unstable-value",
                               "the value differs between repeats: " + Quoted(firstCode, row.value) + ", then " +
                                   Quoted(otherCode, otherValue));
            if (row.ms->median > m_options.slowMs) {
                char detail[96];
                std::snprintf(detail, sizeof detail, "median %.3f ms over the %.3f ms threshold", row.ms->median,
                              m_options.slowMs);
                AddProblem(report, &file, f.index, "slow-field", detail);
            }
        }
        out.fields.push_back(std::move(row));
    }

    // One past the last field must be refused as no such field.
    if (m_options.check && checkNoSuchField) {
        preparePath();
        value.Prepare(0);
        const int past = static_cast<int>(m_fields.size());
        int code = 0;
        if (!m_plugin.Guarded(PluginCall::GetValue, entry, past, [&] { code = fetch(past, wdx::kUnitValue); })) {
            AddFault(report, &file, past);
            return false;
        }
        if (code != wdx::kNoSuchField)
            AddProblem(report, &file, past, "no-such-field",
                       "a value call for index " + std::to_string(past) + " (one past the last field) answered " +
                           std::to_string(code) + ", not -1");
    }
    return true;
}

PluginProbe::Status PluginProbe::Run(const std::string& pluginPath, const std::vector<std::string>& files,
                                     Report& report) {
    m_pluginPath = pluginPath;
    report.plugin = pluginPath;
    report.arch = sizeof(void*) == 8 ? "x64" : "x86";
    const std::string ansiPlugin = Utf8ToAnsiPath(pluginPath);
    if (!Load(ansiPlugin.empty() ? pluginPath : ansiPlugin, report)) {
        Unload(report);
        return m_notLoaded ? Status::NotLoaded : Status::Problems;
    }
    bool loaded = Enumerate(report, m_options.check);
    for (size_t i = 0; i < files.size(); ++i) {
        // After a fault the plugin's state is unknown: the next file gets a fresh load.
        if (!loaded) {
            Unload(report);
            loaded = Load(ansiPlugin.empty() ? pluginPath : ansiPlugin, report) && Enumerate(report, false);
            if (!loaded) {
                // Nothing more can be asked of this plugin.
                for (size_t k = i; k < files.size(); ++k) report.files.push_back(FileReport{files[k], {}});
                break;
            }
        }
        FileReport out;
        loaded = InspectFile(files[i], out, report, i == 0);
        report.files.push_back(std::move(out));
    }
    Unload(report);
    return report.problems.empty() ? Status::Ok : Status::Problems;
}

}  // namespace cli
