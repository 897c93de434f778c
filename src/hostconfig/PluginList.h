// The host's list of content plugins: section "ContentPlugins" of its INI
// file, keys "0", "1", ... each naming one plugin library.
#pragma once

#include "hostconfig/PathText.h"

#include <memory>
#include <string>

namespace hostconfig {

// A plugin's expanded path in a 260-byte heap block: what a tab carries as
// its data word and what the inspection run loads.
using PluginPathBlock = std::unique_ptr<char[]>;

// Value of key n (decimal) of "ContentPlugins" as written, whole; empty when
// the key is missing or empty.
std::string ReadPluginValue(const char* iniPath, int n);

// The block for a plugin value, its environment references expanded. When the
// expansion would not fit, the block keeps the value as written: loading it
// then fails and names what was configured, where a cut path would load some
// other file.
PluginPathBlock MakePluginPathBlock(const std::string& value);

}  // namespace hostconfig
