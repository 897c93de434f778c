#include "cli/PluginProbe.h"

#include "cli/ModernValues.h"
#include "cli/PeImage.h"
#include "cli/SystemText.h"
#include "cli/ThreadingChecks.h"
#include "plugin/ValueText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace cli {

namespace {

using wdx::kGetValueWName;
using wdx::kWideString;

double Ms(int64_t first, int64_t second, int64_t frequency) {
    if (frequency <= 0) return 0;
    return static_cast<double>(static_cast<uint64_t>(second) - static_cast<uint64_t>(first)) * 1000.0 /
           static_cast<double>(frequency);
}

// The system's text for a load error, its insert filled with the path; the
// one error a plugin author meets most gets a word on what to do.
std::string SystemErrorText(DWORD error, const std::string& path) {
    std::string out = SystemMessage(error);
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

// A text result whose buffer holds no terminator of its width.
bool Unterminated(int code, const std::vector<char>& value) {
    if (code == wdx::kChoice || code == wdx::kString || code == wdx::kFulltext)
        return std::memchr(value.data(), '\0', value.size()) == nullptr;
    if (code != kWideString) return false;
    for (size_t i = 0; i + 1 < value.size(); i += 2)
        if (value[i] == 0 && value[i + 1] == 0) return false;
    return true;
}

// Why a plugin without ContentGetValueW cannot be asked about this file by
// its own name; empty when it can.
std::string AnsiPathProblem(const std::string& ansi) {
    if (ansi.empty())
        return "its name does not fit the ANSI code page (" + std::to_string(::GetACP()) +
               ") and it has no short name; the plugin has no " + kGetValueWName + " to take it in Unicode";
    if (ansi.size() >= MAX_PATH)
        return "its ANSI path is longer than " + std::to_string(MAX_PATH - 1) + " bytes; the plugin has no " +
               kGetValueWName + " to take it in Unicode";
    return std::string();
}

}  // namespace

void PluginProbe::AddProblem(Report& report, const std::string* file, int field, const char* kind,
                             const std::string& detail) {
    AddProblemUtf8(report, file, field, kind, AnsiToUtf8(detail));
}

void PluginProbe::AddProblemUtf8(Report& report, const std::string* file, int field, const char* kind,
                                 std::string detail) {
    cli::AddProblem(report, file, field, kind, std::move(detail));
}

void PluginProbe::AddFault(Report& report, const std::string* file, int field) {
    const wdx::PluginFault& fault = m_plugin.Fault();
    m_faulted = true;
    AddProblem(report, file, field, "fault", std::string(fault.entryPoint) + ": exception " + Hex(fault.code));
}

bool PluginProbe::Load(const std::string& ansiPath, Report& report) {
    if (m_options.check) m_leftovers.BeforeLoad();
    switch (m_plugin.Open(ansiPath.c_str())) {
    case wdx::PluginBoundary::OpenResult::Opened:
        break;
    case wdx::PluginBoundary::OpenResult::LoadFailed:
        m_loadMessage = "cannot load " + m_pluginPath + ": " + SystemErrorText(m_plugin.LoadError(), m_pluginPath);
        m_notLoaded = true;
        return false;
    case wdx::PluginBoundary::OpenResult::NotAPlugin:
        m_loadMessage = m_pluginPath + " is not a content plugin: it does not export " + m_plugin.MissingEntryPoint();
        m_plugin.Release();
        m_notLoaded = true;
        return false;
    case wdx::PluginBoundary::OpenResult::Faulted:
        // Its start-up code faulted: it cannot be loaded.
        m_loadMessage = "cannot load " + m_pluginPath + ": " + m_plugin.FaultText();
        m_notLoaded = true;
        return false;
    }

    // The host asks for the detect string before anything else.
    if (m_plugin.Offers().getDetectString && !report.detectString) {
        wdx::DetectString detect;
        if (!m_plugin.GetDetectString(detect)) {
            AddFault(report, nullptr, -1);
            return false;
        }
        report.detectString = AnsiToUtf8(detect.text);
        if (m_options.check && detect.overrun)
            AddProblem(report, nullptr, -1, "buffer-overrun",
                       std::string(wdx::kGetDetectStringName) + " wrote past its buffer");
    }
    if (!m_plugin.SetDefaultParams(m_options.ini.c_str())) {
        AddFault(report, nullptr, -1);
        return false;
    }
    return true;
}

void PluginProbe::Unload(Report& report) {
    if (!m_plugin.IsLoaded()) return;
    if (!m_plugin.Unloading()) AddFault(report, nullptr, -1);
    if (m_options.check) {
        m_leftovers.BeforeRelease();
        m_leftovers.AfterRelease(m_plugin.Release(), report);  // a faulting release is unload-failed
    } else if (!m_plugin.Release()) {
        AddFault(report, nullptr, -1);
    }
    // Once per run: every call after the first usually does it again.
    const std::optional<wdx::FpuChange>& fpu = m_plugin.FirstFpuChange();
    if (m_options.check && fpu && !m_fpuReported) {
        m_fpuReported = true;
        std::string detail = std::string(fpu->entryPoint) + " left";
        char part[64];
        if (fpu->before.x87 != fpu->after.x87) {
            std::snprintf(part, sizeof part, " the x87 control word 0x%04X -> 0x%04X", fpu->before.x87, fpu->after.x87);
            detail += part;
        }
        if (fpu->before.mxcsr != fpu->after.mxcsr) {
            std::snprintf(part, sizeof part, "%s MXCSR 0x%04X -> 0x%04X", fpu->before.x87 != fpu->after.x87 ? "," : "",
                          fpu->before.mxcsr, fpu->after.mxcsr);
            detail += part;
        }
        AddProblem(report, nullptr, fpu->fieldIndex, "fpu-state-changed", detail);
    }
}

bool PluginProbe::Enumerate(Report& report, bool check) {
    m_fields.clear();
    m_leftoverFields.clear();
    std::set<std::string> seen;
    for (int i = 0; i < wdx::kMaxFields; ++i) {
        wdx::FieldDescription d;
        if (!m_plugin.DescribeField(i, d)) {
            AddFault(report, nullptr, i);
            return false;
        }
        const int type = d.declaredType;
        if (type == wdx::kNoMoreFields) break;
        Field field;
        field.index = i;
        field.declaredType = type;
        field.name = d.name;
        field.units = d.units;
        if (m_plugin.Offers().getFieldFlags) {
            int flags = 0;
            if (!m_plugin.FieldFlags(i, flags)) {
                AddFault(report, nullptr, i);
                return false;
            }
            field.flags = flags;
        }
        if (check) {
            if (!d.nameTerminated)
                AddProblem(report, nullptr, i, "name-unterminated",
                           "the name fills its " + std::to_string(wdx::kBufferSize) + "-byte buffer without a terminator");
            else if (field.name.empty())
                AddProblem(report, nullptr, i, "name-empty", "the field has no name");
            else if (!seen.insert(field.name).second)
                AddProblem(report, nullptr, i, "name-duplicate", "\"" + field.name + "\" is an earlier field's name");
            if (!KnownType(type))
                AddProblem(report, nullptr, i, "type-invalid", "declared type " + std::to_string(type) + " is not a known code");
            if (d.nameOverrun || d.unitsOverrun)
                AddProblem(report, nullptr, i, "buffer-overrun",
                           std::string(wdx::kGetSupportedFieldName) + " wrote past its " +
                               (d.nameOverrun ? "name" : "units") + " buffer");
        }
        if (m_options.check) m_leftoverFields.push_back({field.index, AnsiToUtf8(field.name)});
        m_fields.push_back(std::move(field));
    }
    return true;
}

bool PluginProbe::InspectFile(const std::string& file, FileReport& out, Report& report, bool checkNoSuchField) {
    out.file = file;
    const bool useWide = m_plugin.Offers().getValueW;
    const std::string ansi = useWide ? std::string() : Utf8ToAnsiPath(file);
    // Never another file's name, nor a cut or '?'-filled one: the file is said to be skipped.
    if (!useWide) {
        const std::string why = AnsiPathProblem(ansi);
        if (!why.empty()) {
            out.message = "Not inspected: " + why;
            AddProblemUtf8(report, &file, -1, "path-unrepresentable", why);
            return true;
        }
    }
    m_plugin.SetFile(ansi, useWide ? Utf8ToWide(file) : std::wstring());
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    wdx::RepeatRequest request;
    request.path = useWide ? wdx::PathForm::Wide : wdx::PathForm::Ansi;
    request.repeat = m_options.repeat;
    request.compare = m_options.check && m_options.repeat > 1;
    wdx::RepeatedFetch& fetch = m_fetch;

    for (const Field& f : m_fields) {
        FieldReport row;
        row.index = f.index;
        row.name = AnsiToUtf8(f.name);
        row.type = TypeName(f.declaredType);
        row.typeCode = f.declaredType;
        for (const std::string& u : SplitUnits(f.units)) row.units.push_back(AnsiToUtf8(u));
        row.flags = f.flags;

        m_listener->OnFieldStart(row);
        const bool returned = m_plugin.FetchRepeated(f.index, request, fetch);
        const std::string entry = fetch.entryPoint;
        std::vector<double> samples;
        samples.reserve(static_cast<size_t>(fetch.completed));
        for (int k = 0; k < fetch.completed; ++k)
            samples.push_back(Ms(0, fetch.spans[static_cast<size_t>(k)], frequency.QuadPart));
        if (!returned) {
            const wdx::PluginFault& fault = m_plugin.Fault();
            row.value = wdx::ExceptionValueText(fault.code);
            row.fault = entry + " " + Hex(fault.code);
            out.failure = Failure{"fault", entry, f.index, fault.code, fault.address ? AddressText(fault.address) : ""};
            if (fetch.completed > 0) row.ms = Summarize(samples);  // the repeats before the fault
            AddFault(report, &file, f.index);
            m_listener->OnRow(row);
            out.fields.push_back(std::move(row));
            return false;
        }
        const int firstCode = fetch.firstCode;
        row.result = firstCode;
        row.value = ValueText(firstCode, fetch.firstValue.data(), wdx::kBufferSize);
        // Other bytes may still read as the same text (past a terminator).
        const std::string otherValue =
            fetch.differs ? ValueText(fetch.otherCode, fetch.otherValue.data(), wdx::kBufferSize) : "";
        const bool unstable = fetch.differs && (fetch.otherCode != firstCode || otherValue != row.value);
        row.ms = Summarize(samples);
        if (m_options.check) {
            if (fetch.pathModified) AddProblem(report, &file, f.index, "path-modified", entry + " wrote into the file path it was handed");
            if (fetch.overrun) AddProblem(report, &file, f.index, "buffer-overrun", entry + " wrote past the buffer it was given");
            if (Unterminated(firstCode, fetch.firstValue))
                AddProblem(report, &file, f.index, "value-unterminated",
                           entry + " returned a " + (firstCode == kWideString ? "UTF-16 " : "") + "text (result " +
                               std::to_string(firstCode) + ") with no terminator in its " +
                               std::to_string(wdx::kBufferSize) + "-byte buffer");
            if (KnownType(f.declaredType) && firstCode > 0 && !SameKind(f.declaredType, firstCode, useWide))
                AddProblem(report, &file, f.index, "value-type-mismatch",
                           "declared type " + std::to_string(f.declaredType) + ", value returned as " +
                               std::to_string(firstCode));
            if (unstable)
                AddProblemUtf8(report, &file, f.index, "unstable-value",
                               "the value differs between repeats: " + Quoted(firstCode, row.value) + ", then " +
                                   Quoted(fetch.otherCode, otherValue));
            if (row.ms->median > m_options.slowMs) {
                char detail[96];
                std::snprintf(detail, sizeof detail, "median %.3f ms over the %.3f ms threshold", row.ms->median,
                              m_options.slowMs);
                AddProblem(report, &file, f.index, "slow-field", detail);
            }
        }
        m_listener->OnRow(row);
        out.fields.push_back(std::move(row));
    }

    // One past the last field must be refused as no such field.
    if (m_options.check && checkNoSuchField) {
        const int past = static_cast<int>(m_fields.size());
        wdx::RepeatRequest once = request;
        once.repeat = 1;
        once.compare = false;
        if (!m_plugin.FetchRepeated(past, once, fetch)) {
            AddFault(report, &file, past);
            return false;
        }
        if (fetch.firstCode != wdx::kNoSuchField)
            AddProblem(report, &file, past, "no-such-field",
                       "a value call for index " + std::to_string(past) + " (one past the last field) answered " +
                           std::to_string(fetch.firstCode) + ", not -1");
    }

    // The host's threads: delayed answers, fetches from several threads at once, stops.
    if (m_options.check && !ThreadingChecks(m_plugin, m_options, report).Run(file, out.fields, request.path)) {
        AddFault(report, &file, m_plugin.Fault().fieldIndex);
        return false;
    }

    // What the plugin leaves behind: growth over many fetches (once a run), and the file held open.
    if (m_options.check) {
        const std::vector<LeftoverChecks::Field>& fields = m_leftoverFields;
        const bool leaks = m_leaksChecked || m_leftovers.Leaks(file, fields, request.path, report);
        m_leaksChecked = true;
        if (!leaks || !m_leftovers.FileLeftOpen(file, fields, request.path, report)) {
            AddFault(report, &file, m_plugin.Fault().fieldIndex);
            return false;
        }
    }
    return true;
}

PluginProbe::Status PluginProbe::Run(const std::string& pluginPath, const std::vector<std::string>& files,
                                     Report& report) {
    size_t i = 0;
    return RunEach(pluginPath, [&](std::string& file) {
        if (i == files.size()) return false;
        file = files[i++];
        return true;
    }, report);
}

PluginProbe::Status PluginProbe::RunEach(const std::string& pluginPath, const std::function<bool(std::string&)>& next,
                                         Report& report) {
    m_pluginPath = pluginPath;
    report.plugin = pluginPath;
    report.arch = sizeof(void*) == 8 ? "x64" : "x86";
    const std::string ansiPlugin = Utf8ToAnsiPath(pluginPath);
    if (!Load(ansiPlugin.empty() ? pluginPath : ansiPlugin, report)) {
        Unload(report);
        return m_notLoaded ? Status::NotLoaded : Status::Problems;
    }
    bool loaded = Enumerate(report, m_options.check && !m_options.resumed);
    std::string file;
    for (size_t i = 0; next(file); ++i) {
        // After a fault the plugin's state is unknown: the next file gets a fresh load.
        if (!loaded) {
            Unload(report);
            loaded = Load(ansiPlugin.empty() ? pluginPath : ansiPlugin, report) && Enumerate(report, false);
            if (!loaded) {
                // Nothing more can be asked of this plugin.
                for (bool more = true; more; more = next(file), ++i) {
                    m_listener->OnFileStart(i);
                    report.files.push_back(FileReport{file, {}, {}, {}, {}});
                    m_listener->OnFileEnd(report);
                }
                break;
            }
        }
        m_listener->OnFileStart(i);
        FileReport out;
        loaded = InspectFile(file, out, report, i == 0 && !m_options.resumed);
        report.files.push_back(std::move(out));
        m_listener->OnFileEnd(report);
    }
    Unload(report);
    m_leftovers.RemoveCopies();
    return report.problems.empty() ? Status::Ok : Status::Problems;
}

}  // namespace cli
