// Stands in for probelet-host32/64.exe where the real one cannot show the
// case: it takes the job as the real host does, sends the first file whole,
// then misbehaves on its pipe as PROBELET_STANDIN says:
//   cut        half of the next message, then exits
//   cut-live   half of the next message, then waits to be ended
//   unreadable a whole frame whose body does not read back
//   bad-length a frame head with a length no message has
//   vanish     renames its own program away and dies: no host can start again
#include "cli/HostChannel.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

HANDLE Argument(const char* text) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(text, nullptr, 10)));
}

void Send(HANDLE out, const std::string& bytes) {
    DWORD written = 0;
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string FileFrame(const std::string& file) {
    cli::FileMessage m;
    m.file.file = file;
    cli::FieldReport row;
    row.name = "Size";
    row.type = "int";
    row.result = 2;
    row.value = "7";
    m.file.fields.push_back(row);
    cli::WireWriter body;
    cli::Put(body, m);
    return cli::Frame(cli::HostMessage::File, body);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 64;
    const HANDLE jobPipe = Argument(argv[1]);
    const HANDLE out = Argument(argv[2]);
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(jobPipe, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    cli::WireReader reader(bytes.data(), bytes.size());
    cli::HostJob job;
    if (!cli::Get(reader, job) || job.files.empty()) return 65;

    char mode[32] = {};
    ::GetEnvironmentVariableA("PROBELET_STANDIN", mode, sizeof mode);
    const std::string how = mode;
    Send(out, FileFrame(job.files[0]));
    const std::string next = job.files.size() > 1 ? FileFrame(job.files[1]) : FileFrame(job.files[0]);
    if (how == "cut" || how == "cut-live") {
        Send(out, next.substr(0, next.size() / 2));
        if (how == "cut-live") ::Sleep(INFINITE);
        return 0;
    }
    if (how == "unreadable") {
        cli::WireWriter junk;
        junk.U32(0xFFFFFFFF);  // a string length past the end of the body
        Send(out, cli::Frame(cli::HostMessage::File, junk));
        ::Sleep(INFINITE);
    }
    if (how == "bad-length") {
        Send(out, std::string("\x02\0\0\0\x01\0\0\0", 8));
        ::Sleep(INFINITE);
    }
    if (how == "vanish") {
        wchar_t self[MAX_PATH];
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        ::MoveFileW(self, (std::wstring(self) + L".gone").c_str());
        return static_cast<int>(0xC0000005);
    }
    return 66;
}
