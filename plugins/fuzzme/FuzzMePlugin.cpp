// fuzzme: a parser with a planted bug for probelet-cli --fuzz to find. Files
// of its format start with "PFZ1" and a little-endian 32-bit offset into the
// payload after them; field Payload returns the byte at that offset and,
// like careless parsers do, trusts it. Offsets near 0x7FFFFFFF, 0x80000000
// or with the high byte set land far outside the file's buffer and fault;
// a sound file, and most small overruns, do not. The bug is the point: do
// not fix it.
#include "common/PluginFields.h"
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

using sample::FieldInfo;

enum FieldId { kMagic, kPayload, kFieldCount };

const FieldInfo kFields[kFieldCount] = {
    {"Magic", wdx::kString, ""},
    {"Payload", wdx::kNumeric32, ""},
};

constexpr char kSignature[4] = {'P', 'F', 'Z', '1'};
constexpr DWORD kHeaderSize = 8;
// Inputs are small; refusing big ones keeps a fuzzing run's memory flat.
constexpr DWORD kMaxFileSize = 16 * 1024 * 1024;

// The whole file in a heap block of exactly its size, so an overrun leaves
// the block instead of landing in slack we allocated ourselves.
class FileBytes {
public:
    explicit FileBytes(const char* path) {
        HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        LARGE_INTEGER size;
        if (::GetFileSizeEx(h, &size) && size.QuadPart <= kMaxFileSize) {
            size_ = static_cast<DWORD>(size.QuadPart);
            data_ = static_cast<unsigned char*>(::HeapAlloc(::GetProcessHeap(), 0, size_ ? size_ : 1));
            DWORD read = 0;
            ok_ = data_ && ::ReadFile(h, data_, size_, &read, nullptr) && read == size_;
        }
        ::CloseHandle(h);
    }
    ~FileBytes() {
        if (data_) ::HeapFree(::GetProcessHeap(), 0, data_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    bool ok() const { return ok_; }
    DWORD size() const { return size_; }
    const unsigned char* data() const { return data_; }

private:
    unsigned char* data_ = nullptr;
    DWORD size_ = 0;
    bool ok_ = false;
};

int Magic(const FileBytes& file, void* value, int maxLen) {
    char text[5] = {};
    for (DWORD i = 0; i < 4; ++i) {
        const unsigned char c = i < file.size() ? file.data()[i] : '?';
        text[i] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    sample::PutText(value, maxLen, text);
    return wdx::kString;
}

DWORD WINAPI FaultOnItsOwnThread(void*) {
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}

// Two bugs no guard survives, each in files of its own kind: "PFZC" faults on
// a thread the plugin starts, which takes the process down; "PFZH" never returns.
void MisbehaveFor(const FileBytes& file) {
    if (file.size() < 4) return;
    if (std::memcmp(file.data(), "PFZC", 4) == 0) {
        const HANDLE thread = ::CreateThread(nullptr, 0, FaultOnItsOwnThread, nullptr, 0, nullptr);
        if (thread) ::WaitForSingleObject(thread, INFINITE);
    } else if (std::memcmp(file.data(), "PFZH", 4) == 0) {
        for (;;) ::Sleep(1000);
    }
}

int Payload(const FileBytes& file, void* value, int maxLen) {
    MisbehaveFor(file);
    if (file.size() < kHeaderSize || std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
        return wdx::kFieldEmpty;  // not of this format: no payload to show
    const unsigned char* p = file.data();
    const uint32_t offset = p[4] | p[5] << 8 | p[6] << 16 | static_cast<uint32_t>(p[7]) << 24;
    // The planted bug: no check of offset against the file's size.
    const volatile unsigned char* at = p + kHeaderSize + offset;
    return sample::PutValue(value, maxLen, static_cast<int32_t>(*at), wdx::kNumeric32);
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    return sample::SupportedField(kFields, fieldIndex, fieldName, units, maxLen);
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int, void* fieldValue, int maxLen,
                                                 int) {
    if (fieldIndex < 0 || fieldIndex >= kFieldCount) return wdx::kNoSuchField;
    FileBytes file(fileName);
    if (!file.ok()) return wdx::kFileError;
    return fieldIndex == kMagic ? Magic(file, fieldValue, maxLen) : Payload(file, fieldValue, maxLen);
}

__declspec(dllexport) void WINAPI ContentSetDefaultParams(wdx::PluginDefaultParams*) {}

}  // extern "C"
