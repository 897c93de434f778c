// The boundary's calls of today's interface, which only probelet-cli makes:
// the same guard, the same timed span and the same fault records as the
// window's calls, with guarded buffers so the caller can judge each breach.
#include "plugin/PluginBoundary.h"

#include "plugin/ValueText.h"

#include <algorithm>
#include <cstring>

namespace wdx {

namespace {

constexpr int kDetectStringSize = 2048;
// What a buffer holds before the plugin writes: no terminator anywhere, so
// a text the plugin leaves open shows as open.
constexpr unsigned char kUnwrittenByte = 0xEE;

template <class Fn>
Fn Resolve(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(::GetProcAddress(module, name)) : nullptr;
}

}  // namespace

void PluginBoundary::ResolveToday(HMODULE module) {
    m_getValueW = Resolve<ContentGetValueWFn>(module, kGetValueWName);
    m_getDetectString = Resolve<ContentGetDetectStringFn>(module, kGetDetectStringName);
    m_getFieldFlags = Resolve<ContentGetSupportedFieldFlagsFn>(module, kGetSupportedFieldFlagsName);
    m_unloading = Resolve<ContentPluginUnloadingFn>(module, kPluginUnloadingName);
    m_stopGetValue = Resolve<StopGetValueFn>(module, kStopGetValueName);
    m_stopGetValueW = Resolve<StopGetValueWFn>(module, kStopGetValueWName);
    m_offers = PluginOffers{m_getValueW != nullptr, m_getDetectString != nullptr, m_getFieldFlags != nullptr,
                            m_unloading != nullptr, m_stopGetValue != nullptr, m_stopGetValueW != nullptr};
}

const char* PluginBoundary::MissingEntryPoint() const {
    if (!m_module) return nullptr;
    if (!m_entry.getSupportedField) return kGetSupportedFieldName;
    return m_entry.getValue ? nullptr : kGetValueName;
}

void PluginBoundary::NoteFpu(const char* entryPoint, int fieldIndex) {
    if (!m_fpuChange && m_guard.FpuChanged())
        m_fpuChange = FpuChange{entryPoint, fieldIndex, m_guard.FpuBefore(), m_guard.FpuAfter()};
}

bool PluginBoundary::GetDetectString(DetectString& out) {
    out = DetectString{};
    const ContentGetDetectStringFn get = m_getDetectString;
    if (!get) return true;
    GuardedBuffer text(kDetectStringSize);
    char* const data = text.Data();
    BeaconSpan span(m_beacon, kGetDetectStringName, -1);
    const bool returned = m_guard.Run([&]() noexcept { get(data, kDetectStringSize); });
    NoteFpu(kGetDetectStringName, -1);
    if (!returned) return Faulted(PluginCall::Other, kGetDetectStringName, -1, m_guard.Code());
    out.text = BoundedText(data, kDetectStringSize);
    out.overrun = text.Overrun();
    return true;
}

bool PluginBoundary::DescribeField(int index, FieldDescription& out) {
    out = FieldDescription{};
    const ContentGetSupportedFieldFn getField = m_entry.getSupportedField;
    m_nameGuarded.Prepare(kUnwrittenByte);
    m_unitsGuarded.Prepare(0);
    char* const name = m_nameGuarded.Data();
    char* const units = m_unitsGuarded.Data();
    int type = kNoMoreFields;
    BeaconSpan span(m_beacon, kGetSupportedFieldName, index);
    const bool returned = m_guard.Run([&]() noexcept { type = getField(index, name, units, kBufferSize); });
    NoteFpu(kGetSupportedFieldName, index);
    if (!returned)
        return Faulted(PluginCall::GetSupportedField, kGetSupportedFieldName, index, m_guard.Code());
    out.declaredType = type;
    out.name = BoundedText(name, kBufferSize);
    out.units = BoundedText(units, kBufferSize);
    out.nameTerminated = std::memchr(name, '\0', kBufferSize) != nullptr;
    out.nameOverrun = m_nameGuarded.Overrun();
    out.unitsOverrun = m_unitsGuarded.Overrun();
    return true;
}

bool PluginBoundary::FieldFlags(int index, int& flags) {
    flags = 0;
    const ContentGetSupportedFieldFlagsFn get = m_getFieldFlags;
    if (!get) return true;
    BeaconSpan span(m_beacon, kGetSupportedFieldFlagsName, index);
    const bool returned = m_guard.Run([&]() noexcept { flags = get(index); });
    NoteFpu(kGetSupportedFieldFlagsName, index);
    if (!returned)
        return Faulted(PluginCall::GetSupportedField, kGetSupportedFieldFlagsName, index, m_guard.Code());
    return true;
}

bool PluginBoundary::Unloading() {
    const ContentPluginUnloadingFn unloading = m_unloading;
    if (!unloading || !m_module) return true;
    BeaconSpan span(m_beacon, kPluginUnloadingName, -1);
    const bool returned = m_guard.Run([&]() noexcept { unloading(); });
    NoteFpu(kPluginUnloadingName, -1);
    if (!returned)
        return Faulted(PluginCall::Other, kPluginUnloadingName, -1, m_guard.Code());
    return true;
}

void PluginBoundary::SetFile(const std::string& ansi, const std::wstring& wide) {
    m_fileAnsi = ansi;
    m_fileWide = wide;
    m_pathWide.Resize((wide.size() + 1) * sizeof(wchar_t));
}

void PluginBoundary::PreparePath(PathForm form) {
    if (form == PathForm::Wide) {
        m_pathWide.Prepare(0);
        std::memcpy(m_pathWide.Data(), m_fileWide.c_str(), m_fileWide.size() * sizeof(wchar_t));
    } else {
        m_pathAnsi.Prepare(0);
        std::memcpy(m_pathAnsi.Data(), m_fileAnsi.data(), std::min<size_t>(m_fileAnsi.size(), MAX_PATH - 1));
    }
}

bool PluginBoundary::PathChanged(PathForm form) const {
    if (form == PathForm::Wide)
        return std::memcmp(m_pathWide.Data(), m_fileWide.c_str(), (m_fileWide.size() + 1) * sizeof(wchar_t)) != 0;
    const size_t n = std::min<size_t>(m_fileAnsi.size(), MAX_PATH - 1);  // what PreparePath copied
    return std::memcmp(m_pathAnsi.Data(), m_fileAnsi.data(), n) != 0 || m_pathAnsi.Data()[n] != '\0';
}

bool PluginBoundary::FetchRepeated(int index, const RepeatRequest& request, RepeatedFetch& out) {
    const PathForm form = request.path == PathForm::Wide && m_getValueW ? PathForm::Wide : PathForm::Ansi;
    const int repeat = std::max(request.repeat, 1);
    out.entryPoint = form == PathForm::Wide ? kGetValueWName : kGetValueName;
    out.completed = 0;
    out.spans.assign(static_cast<size_t>(repeat), 0);
    out.firstCode = out.otherCode = 0;
    out.firstValue.assign(kBufferSize, '\0');
    out.otherValue.assign(kBufferSize, '\0');
    out.differs = out.overrun = out.pathModified = false;

    // Once per field: between repeats only what the plugin changed is put
    // back, so a repeat costs little more than the call it times.
    PreparePath(form);
    m_valueGuarded.Prepare(kUnwrittenByte);
    char* const value = m_valueGuarded.Data();
    GuardedBuffer& path = form == PathForm::Wide ? m_pathWide : m_pathAnsi;
    int r = 0;
    BeaconSpan span(m_beacon, out.entryPoint, index);
    // All repeats under one guard: a fault in any of them ends the field
    // there (r says which). Nothing in the loop allocates or can throw.
    auto repeatAll = [&](auto valueCall) {
        return m_guard.Run([&]() noexcept {
            for (; r < repeat; ++r) {
                if (r) span.Next();
                const TimedFetch timed = TimeValueCall([&] { return valueCall(kUnitValue); });
                out.spans[static_cast<size_t>(r)] = timed.second - timed.first;
                if (timed.code == kFulltext) valueCall(kUnitCloseFulltext);
                // Every repeat asks about the same file, whatever the plugin did to its copy.
                if (PathChanged(form)) {
                    out.pathModified = true;
                    PreparePath(form);
                }
                if (r == 0) {
                    out.firstCode = timed.code;
                    std::memcpy(out.firstValue.data(), value, kBufferSize);
                } else if (request.compare && !out.differs &&
                           (timed.code != out.firstCode ||
                            (timed.code > 0 && std::memcmp(value, out.firstValue.data(), kBufferSize) != 0))) {
                    out.differs = true;
                    out.otherCode = timed.code;
                    std::memcpy(out.otherValue.data(), value, kBufferSize);
                }
                if (m_valueGuarded.Overrun() || path.Overrun()) {
                    out.overrun = true;
                    m_valueGuarded.Rearm();
                    path.Rearm();
                }
            }
        });
    };
    bool returned;
    if (form == PathForm::Wide) {
        const ContentGetValueWFn getValueW = m_getValueW;
        wchar_t* const file = reinterpret_cast<wchar_t*>(m_pathWide.Data());
        returned = repeatAll([=](int unit) { return getValueW(file, index, unit, value, kBufferSize, 0); });
    } else {
        const ContentGetValueFn getValue = m_entry.getValue;
        char* const file = m_pathAnsi.Data();
        returned = repeatAll([=](int unit) { return getValue(file, index, unit, value, kBufferSize, 0); });
    }
    out.completed = r;
    // The guard sees the state once, around all repeats.
    NoteFpu(out.entryPoint, index);
    if (!returned) return Faulted(PluginCall::GetValue, out.entryPoint, index, m_guard.Code());
    return true;
}

}  // namespace wdx
