#include "cli/PeImage.h"

#include "cli/ModernValues.h"

#include <cstring>

namespace cli {

WORD PeMachine(const std::string& utf8Path) {
    HANDLE file = ::CreateFileW(Utf8ToWide(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    unsigned char head[4096] = {};
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file, head, sizeof head, &read, nullptr);
    ::CloseHandle(file);
    if (!ok || read < 0x40 || head[0] != 'M' || head[1] != 'Z') return 0;
    DWORD pe = 0;
    std::memcpy(&pe, head + 0x3C, sizeof pe);
    if (pe > read - 6 || std::memcmp(head + pe, "PE\0\0", 4) != 0) return 0;
    WORD machine = 0;
    std::memcpy(&machine, head + pe + 4, sizeof machine);
    return machine;
}


}  // namespace cli
