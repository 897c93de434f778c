// Copying into and joining within a 260-byte path buffer: either a whole,
// terminated result that fits, or a refusal that leaves the documented state.
#include "FuzzCheck.h"
#include "hostconfig/PathText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

using hostconfig::PathBuffer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string dir = in.ConsumeRandomLengthString(400);
    const std::string name = in.ConsumeRemainingBytesAsString();

    PathBuffer location;
    std::memset(location, 'S', sizeof location);
    const bool copied = hostconfig::CopyPath(dir, location);
    FUZZ_CHECK(copied == (dir.size() < sizeof location));
    if (copied) {
        FUZZ_CHECK(std::memcmp(location, dir.c_str(), dir.size() + 1) == 0);
    } else {
        for (char c : location) FUZZ_CHECK(c == 'S');
        location[0] = '\0';
    }

    const std::string expandedName = name.c_str();
    const bool absolute = !expandedName.empty() &&
                          (expandedName[1] == ':' || (expandedName[0] == '\\' && expandedName[1] == '\\'));
    const std::string rest = !expandedName.empty() && expandedName[0] == '.' ? expandedName.substr(1) : expandedName;
    const std::string joined = absolute ? rest : std::string(location) + rest;
    const bool fits = hostconfig::JoinIniLocation(location, expandedName.c_str());
    FUZZ_CHECK(fits == (joined.size() < sizeof location));
    FUZZ_CHECK(fits ? std::string(location) == joined : location[0] == '\0');
    FUZZ_CHECK(std::memchr(location, '\0', sizeof location) != nullptr);
    return 0;
}
