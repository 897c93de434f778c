#include "cli/ThreadingChecks.h"

#include "cli/ModernValues.h"
#include "cli/SystemText.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

using End = wdx::PluginBoundary::ThreadCall::End;

// A stopped fetch that ran this share of the serial median did not stop.
constexpr double kIgnoredShare = 0.9;

// A value as a detail names it; the result code where it is no value.
std::string Quoted(int code, const std::string& text) {
    return code > 0 ? "\"" + text + "\"" : "result " + std::to_string(code);
}

std::string Fixed(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", ms);
    return text;
}

}  // namespace

bool ThreadingChecks::Run(const std::string& file, const std::vector<FieldReport>& serial, wdx::PathForm form) {
    m_file = &file;
    m_form = form;
    m_adrift = false;
    return Delayed(serial) && Together(serial) && Stop(serial);
}

void ThreadingChecks::Add(int field, const char* kind, std::string detail) {
    AddProblem(m_report, m_file, field, kind, std::move(detail));
}

double ThreadingChecks::Ms(int64_t ticks) const {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart > 0 ? static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart) : 0;
}

std::string ThreadingChecks::Limit() const { return std::to_string(m_options.timeoutMs) + " ms"; }

std::string ThreadingChecks::Differs(const ThreadCall& call, const FieldReport& row) const {
    const std::string text = ValueText(call.code, call.value.data(), wdx::kBufferSize);
    if (call.code == *row.result && text == row.value) return std::string();
    return Quoted(call.code, text) + " instead of " + Quoted(*row.result, row.value);
}

// The host asks with the delay flag first; a plugin that answers "delayed"
// is asked again without it from a background thread, and must answer then.
bool ThreadingChecks::Delayed(const std::vector<FieldReport>& serial) {
    const std::string head = std::string(m_plugin.ValueEntry(m_form)) +
                             " answered 0 (delayed) with CONTENT_DELAYIFSLOW, then ";
    const std::string tail = " without it on a background thread";
    for (const FieldReport& row : serial) {
        if (!row.result) continue;
        ThreadCall first;
        if (!m_plugin.FetchOnce(row.index, m_form, wdx::PluginBoundary::kDelayIfSlow, first)) return false;
        if (first.code != wdx::PluginBoundary::kDelayed) continue;
        const ThreadCall later = m_plugin.FetchOnWorker(row.index, m_form, m_options.timeoutMs);
        if (later.end == End::Returned && later.code != wdx::PluginBoundary::kDelayed) continue;
        if (later.end == End::NotMade) continue;
        const std::string what = later.end == End::Returned  ? "0 again"
                                 : later.end == End::Faulted ? "exception " + Hex(later.exceptionCode)
                                                             : "no return within " + Limit();
        Add(row.index, "delayed-unresolved", head + what + tail);
        // A worker left inside the plugin: no more calls to pile up behind it.
        if (later.end == End::TimedOut) {
            m_adrift = true;
            return true;
        }
    }
    return true;
}

// The host's foreground and background threads fetch at once: every field
// from several threads, each beginning at another field, against the values
// of the serial run. A value that differs counts only when one thread alone
// gets the serial value again: a field that changes by itself is another matter.
bool ThreadingChecks::Together(const std::vector<FieldReport>& serial) {
    if (m_adrift) return true;
    std::vector<const FieldReport*> rows;
    std::vector<int> fields;
    for (const FieldReport& row : serial) {
        if (!row.result) continue;
        rows.push_back(&row);
        fields.push_back(row.index);
    }
    if (fields.empty()) return true;
    const int threads = std::clamp(m_options.threads, 2, 64);
    const auto calls = m_plugin.FetchTogether(fields, m_form, threads, m_options.timeoutMs);
    const std::string together = "with " + std::to_string(threads) + " threads fetching at once";
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldReport& row = *rows[i];
        std::string detail;
        bool confirm = false;
        for (const auto& thread : calls) {
            const ThreadCall& call = thread[i];
            if (call.end == End::Faulted) {
                detail = "exception " + Hex(call.exceptionCode) + " " + together + " (none alone)";
            } else if (call.end == End::TimedOut) {
                m_adrift = true;
                // As slow alone: not the other threads' doing.
                if (row.ms && row.ms->max >= m_options.timeoutMs) break;
                detail = "no return within " + Limit() + " " + together;
            } else if (call.end == End::Returned) {
                const std::string why = Differs(call, row);
                if (!why.empty()) detail = together + ": " + why;
                confirm = !why.empty();
            }
            if (!detail.empty()) break;
        }
        if (confirm) {
            // Behind a worker left inside the plugin a confirming call could wait for ever.
            if (m_adrift) continue;
            ThreadCall alone;
            if (!m_plugin.FetchOnce(row.index, m_form, 0, alone)) return false;
            if (!Differs(alone, row).empty()) continue;
        }
        if (!detail.empty()) Add(row.index, "thread-unsafe", detail);
    }
    return true;
}

// The host stops a slow background fetch with ContentStopGetValue from its
// foreground thread (the user scrolled on, or closed the panel). Each field
// slower than --slow is fetched again and stopped a quarter into its serial
// median; one that still takes about that long did not stop.
bool ThreadingChecks::Stop(const std::vector<FieldReport>& serial) {
    if (!m_plugin.CanStop()) return true;
    for (const FieldReport& row : serial) {
        if (m_adrift) return true;
        if (!row.result || !row.ms || row.ms->median <= m_options.slowMs) continue;
        const double median = row.ms->median;
        wdx::PluginBoundary::StoppedFetch stopped;
        if (!m_plugin.FetchAndStop(row.index, m_form, median / 4, m_options.timeoutMs, stopped)) return false;
        const ThreadCall& fetch = stopped.fetch;
        if (fetch.end == End::TimedOut) m_adrift = true;
        if (!stopped.stopped) continue;  // it ended before the stop was due
        const std::string stop = std::string(stopped.stopEntry) + " at " + Fixed(Ms(stopped.stopTicks)) +
                                 " (serial median " + Fixed(median) + ")";
        if (fetch.end == End::Returned && Ms(fetch.ticks) >= kIgnoredShare * median) {
            Add(row.index, "stop-ignored", "ran " + Fixed(Ms(fetch.ticks)) + " after " + stop);
        } else if (fetch.end == End::TimedOut) {
            Add(row.index, "stop-ignored", "no return within " + Limit() + " after " + stop);
        } else if (fetch.end == End::Faulted) {
            Add(row.index, "fault",
                std::string(m_plugin.ValueEntry(m_form)) + ": exception " + Hex(fetch.exceptionCode) + " after " + stop);
        }
    }
    return true;
}

}  // namespace cli
