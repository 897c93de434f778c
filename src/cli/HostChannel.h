// What probelet-cli and the process that runs a plugin for it share: the job
// it hands over, the messages that come back file by file, and the memory
// both map, which outlives the child and so tells what it was doing when it
// died or was ended.
#pragma once

#include "cli/PluginProbe.h"
#include "cli/Wire.h"
#include "plugin/CallBeacon.h"

#include <windows.h>

#include <string>
#include <vector>

namespace cli {

// The host programs, one per architecture; the release packages put both
// beside probelet-cli.exe.
constexpr char kHost32[] = "probelet-host32.exe";
constexpr char kHost64[] = "probelet-host64.exe";

struct HostJob {
    std::string plugin;  // UTF-8
    ProbeOptions options;
    std::vector<std::string> files;  // UTF-8
};
void Put(WireWriter& w, const HostJob& job);
bool Get(WireReader& r, HostJob& job);

// The shared memory. The child writes, the parent reads; a count is raised
// only after the bytes it covers are written.
struct HostShared {
    static constexpr size_t kPendingSize = 8 * 1024;
    static constexpr size_t kRowsSize = 4 * 1024 * 1024;

    wdx::CallBeacon beacon;
    volatile LONG file = -1;          // index into the job's files in progress, -1 between files
    volatile LONG pendingBytes = 0;   // the field being fetched: its row before the fetch
    volatile LONG rowsBytes = 0;      // the file's finished rows, one after another
    volatile LONG waiting = 0;        // serving: waiting for the parent's next file
    char crashAt[MAX_PATH + 32] = "";  // where an exception no guard caught was raised, as AddressText writes it
    char pending[kPendingSize];
    char rows[kRowsSize];

    // The rows that fit; a file with more loses only the ones past the end.
    void StartFile(LONG index);
    void SetPending(const std::string& row);
    void AddRow(const std::string& row);
    void EndFile();
};

// Messages from the child, each framed by its length.
enum class HostMessage : uint32_t { File = 1, End = 2 };

// A finished file, with the problems found since the last message and the
// detect string once.
struct FileMessage {
    FileReport file;
    std::optional<std::string> detectString;
    std::vector<Problem> problems;
};

// The run's end.
struct EndMessage {
    uint32_t status = 0;  // PluginProbe::Status
    std::string loadMessage;
    std::optional<std::string> detectString;
    std::vector<Problem> problems;
};

std::string Frame(HostMessage kind, const WireWriter& body);
void Put(WireWriter& w, const FileMessage& m);
bool Get(WireReader& r, FileMessage& m);
void Put(WireWriter& w, const EndMessage& m);
bool Get(WireReader& r, EndMessage& m);

}  // namespace cli
