// The host's configuration for tests: its registry key in the test prefix's
// real registry, a wincmd.ini in a temp folder, and the environment of the
// test process. Everything is put back as it was when the object goes.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// The host key under both roots, absent at the start and removed at the end.
class ScopedHostKeys {
public:
    static constexpr char kKey[] = "Software\\Ghisler\\Total Commander";

    ScopedHostKeys();
    ~ScopedHostKeys();
    ScopedHostKeys(const ScopedHostKeys&) = delete;
    ScopedHostKeys& operator=(const ScopedHostKeys&) = delete;

    // Creates the key under root with no values; false when it can't be made.
    bool CreateKey(HKEY root);
    bool SetString(HKEY root, const char* name, const std::string& value, DWORD type = REG_SZ);
    bool SetBytes(HKEY root, const char* name, DWORD type, const std::string& bytes);
    // InstallDir and, unless null, IniFileName.
    bool SetHost(HKEY root, const std::string& installDir, const char* iniFileName);

private:
    static void Remove();
};

// A host installed in dir: wincmd.ini listing the plugins as keys "0", "1",
// ... of [ContentPlugins], and the current user's host key pointing at it.
class HostSetup {
public:
    HostSetup(const std::string& dir, const std::vector<std::string>& plugins);
    HostSetup(const HostSetup&) = delete;
    HostSetup& operator=(const HostSetup&) = delete;

    bool Ok() const { return m_ok; }
    const std::string& IniPath() const { return m_iniPath; }

    // A plugin built with the tests: <exe dir>\plugins\<name>.wdx (.wdx64).
    static std::string Plugin(const std::string& exeDir, const std::string& name);

private:
    ScopedHostKeys m_keys;
    std::string m_iniPath;
    bool m_ok = false;
};

// Variables of this process: unset (or set) for the scope, restored afterwards.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(std::vector<std::string> names);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::string& value);

private:
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> m_saved;
};

// The variable's value, or "<unset>".
std::string Variable(const char* name);

}  // namespace testsupport
