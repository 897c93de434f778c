// Test set-ups of the host's configuration in the real registry of the test
// prefix and the real environment of the test process; both are put back as
// they were when the set-up ends.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace hosttest {

// The host key under both roots, absent at the start and removed at the end.
class ScopedHostKeys {
public:
    ScopedHostKeys();
    ~ScopedHostKeys();
    ScopedHostKeys(const ScopedHostKeys&) = delete;
    ScopedHostKeys& operator=(const ScopedHostKeys&) = delete;

    // Creates the key under root with no values.
    void CreateKey(HKEY root);
    void SetString(HKEY root, const char* name, const std::string& value, DWORD type = REG_SZ);
    void SetBytes(HKEY root, const char* name, DWORD type, const std::string& bytes);
    // InstallDir and, unless null, IniFileName.
    void SetHost(HKEY root, const std::string& installDir, const char* iniFileName);

private:
    static void Remove();
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

}  // namespace hosttest
