// What a library file says of itself before anyone loads it.
#pragma once

#include <windows.h>

#include <string>

namespace cli {

// The machine a PE image is built for (IMAGE_FILE_MACHINE_I386, _AMD64, ...);
// 0 for a file that cannot be read or is no PE image. utf8Path as given.
WORD PeMachine(const std::string& utf8Path);

}  // namespace cli
