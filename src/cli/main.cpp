// probelet-cli: what a content plugin returns for files and how long each
// fetch takes, for plugin authors' scripts and CI.
#include "cli/CliOptions.h"
#include "cli/IsolatedProbe.h"
#include "cli/ModernValues.h"
#include "cli/PluginProbe.h"
#include "hostconfig/HostIni.h"
#include "probelet_version.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitProblems = 1;
constexpr int kExitNotLoaded = 2;
constexpr int kExitInternal = 3;  // out of memory or another failure of our own
constexpr int kExitUsage = 64;

// The command line as UTF-8: file names outside the ANSI code page survive.
std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) args.push_back(cli::WideToUtf8(argv[i], wcslen(argv[i])));
    ::LocalFree(argv);
    return args;
}

// Where the host programs lie: beside this one.
std::wstring OwnFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

void Write(FILE* stream, const std::string& text) { std::fwrite(text.data(), 1, text.size(), stream); }

}  // namespace

int Run() {

    cli::Options options;
    std::string error;
    if (!cli::ParseOptions(Arguments(), options, error)) {
        Write(stderr, "probelet-cli: " + error + "\n" + cli::kUsage);
        return kExitUsage;
    }
    if (options.help) {
        Write(stdout, cli::kUsage);
        return kExitOk;
    }
    if (options.version) {
        Write(stdout, std::string("probelet-cli ") + PROBELET_VERSION + (sizeof(void*) == 8 ? " (x64)\n" : " (x86)\n"));
        return kExitOk;
    }

    cli::ProbeOptions probeOptions;
    probeOptions.repeat = options.repeat;
    probeOptions.check = options.check;
    probeOptions.slowMs = options.slowMs;
    probeOptions.threads = options.threads;
    probeOptions.timeoutMs = options.timeoutMs;
    if (options.iniGiven) {
        probeOptions.ini = cli::Utf8ToAnsiPath(options.ini);
    } else {
        // As the window finds it; without one the plugin gets an empty path.
        hostconfig::PathBuffer ini = {};
        if (hostconfig::FindHostIni(ini)) probeOptions.ini = ini;
    }

    cli::Report report;
    cli::PluginProbe::Status status;
    std::string loadMessage;
    if (options.inProcess) {
        cli::PluginProbe probe(probeOptions);
        status = probe.Run(options.plugin, options.files, report);
        loadMessage = probe.LoadMessage();
    } else {
        cli::IsolatedProbe probe(probeOptions, OwnFolder());
        status = probe.Run(options.plugin, options.files, report);
        loadMessage = probe.LoadMessage();
    }
    if (status == cli::PluginProbe::Status::NotLoaded) {
        Write(stderr, "probelet-cli: " + loadMessage + "\n");
        return kExitNotLoaded;
    }
    switch (options.format) {
    case cli::Format::Text: Write(stdout, cli::TextReport(report)); break;
    case cli::Format::Csv: Write(stdout, cli::CsvReport(report)); break;
    case cli::Format::Json: Write(stdout, cli::JsonReport(report)); break;
    }
    std::fflush(stdout);
    return status == cli::PluginProbe::Status::Ok ? kExitOk : kExitProblems;
}

int main() {
    // Our own line ends: CSV wants CR LF, the rest LF, untranslated.
    _setmode(_fileno(stdout), _O_BINARY);
    // Every failure becomes a message and a status: nothing ends in terminate().
    try {
        return Run();
    } catch (const std::bad_alloc&) {
        Write(stderr, "probelet-cli: out of memory\n");
    } catch (const std::exception& e) {
        Write(stderr, std::string("probelet-cli: ") + e.what() + "\n");
    } catch (...) {
        Write(stderr, "probelet-cli: unexpected failure\n");
    }
    std::fflush(stdout);
    return kExitInternal;
}
