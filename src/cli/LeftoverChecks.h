// probelet-cli --check, what a plugin leaves behind: the file manager keeps a
// plugin loaded for hours while the user deletes and renames the very files
// it inspects. A file the plugin still holds open, memory or handles that grow
// with every call, a thread that outlives the library, a library that will
// not unload: none of them faults, all of them hurt the host. Checked in the
// process that runs the plugin, where its resources are the only ones that
// change.
#pragma once

#include "cli/Report.h"
#include "plugin/PluginBoundary.h"

#include <string>
#include <vector>

namespace cli {

// Leaks are looked for only over this many fetches a field or more.
constexpr int kLeakMinRepeat = 200;

// The folder of a process's copies: %TEMP%\probelet-check-PID. Removed by the
// process itself, and by probelet-cli once a host process has ended (a copy
// a plugin never closed stays held until then).
std::wstring CheckFolder(DWORD pid);
void RemoveCheckFolder(DWORD pid);

class LeftoverChecks {
public:
    // repeat: the fetches a field gets in a block of the leak check.
    LeftoverChecks(wdx::PluginBoundary& plugin, int repeat) : m_plugin(plugin), m_repeat(repeat) {}
    ~LeftoverChecks() { RemoveCopies(); }
    LeftoverChecks(const LeftoverChecks&) = delete;
    LeftoverChecks& operator=(const LeftoverChecks&) = delete;

    struct Field {
        int index = 0;
        std::string name;  // UTF-8
    };

    // Before each load: the threads that were there without the plugin.
    void BeforeLoad();
    // file-left-open: each field fetched once for a copy of file, which must
    // then open exclusively and rename. Leaves the copy as the boundary's
    // file. false on a fault (the boundary's Fault() names it).
    bool FileLeftOpen(const std::string& file, const std::vector<Field>& fields, wdx::PathForm form, Report& report);
    // leak: each field in a block of --repeat fetches after a warm-up, the
    // process measured around the block. false on a fault.
    bool Leaks(const std::string& file, const std::vector<Field>& fields, wdx::PathForm form, Report& report);
    // Around the release that follows ContentPluginUnloading:
    // thread-left-running and unload-failed.
    void BeforeRelease();
    void AfterRelease(bool released, Report& report);
    // The copies and their folder, as far as nothing holds them.
    void RemoveCopies();

private:
    struct Stray {
        DWORD id = 0;
        HANDLE handle = nullptr;  // SYNCHRONIZE; closed by AfterRelease
        std::string start;        // where it began, "module+0xOFFSET"
    };
    // The plugin's threads: new since the load, begun in its image or in a C runtime.
    std::vector<Stray> StrayThreads() const;
    std::string Describe(uintptr_t address) const;
    // A copy of file under a name of its own; empty when it cannot be made.
    std::wstring Copy(const std::string& file);

    wdx::PluginBoundary& m_plugin;
    int m_repeat;
    wdx::RepeatedFetch m_fetch;
    std::vector<DWORD> m_threadsBefore;  // sorted
    std::vector<Stray> m_strays;
    wdx::PluginBoundary::ImageSpan m_image;
    std::string m_pluginName;
    std::vector<std::wstring> m_copies;
    int m_copyCount = 0;
    bool m_threadsReported = false;
    bool m_unloadReported = false;
};

}  // namespace cli
