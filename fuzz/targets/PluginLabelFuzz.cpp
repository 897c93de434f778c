// Tab labels of plugin values and the multibyte-aware search behind them, in
// a single-byte code page and in code page 932.
#include "FuzzCheck.h"
#include "hostconfig/PathText.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const UINT codePage = in.ConsumeBool() ? 932 : CP_ACP;
    const char c = in.ConsumeBool() ? '\\' : '.';
    const std::string value = in.ConsumeRemainingBytesAsString();

    // The starts of the characters, stepping over double-byte ones.
    std::vector<bool> starts(value.size(), false);
    for (size_t i = 0; i < value.size(); ++i) {
        starts[i] = true;
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(value[i])) && i + 1 < value.size()) ++i;
    }
    size_t expected = std::string::npos;
    for (size_t i = 0; i < value.size(); ++i)
        if (starts[i] && value[i] == c) expected = i;
    FUZZ_CHECK(hostconfig::FindLastChar(value, c, codePage) == expected);

    const std::string label = hostconfig::MakePluginLabel(value, codePage);
    FUZZ_CHECK(value.find(label) != std::string::npos);
    if (codePage == CP_ACP) {
        std::string cut = value.substr(0, value.rfind('.'));
        size_t slash = cut.rfind('\\');
        FUZZ_CHECK(label == (slash == std::string::npos ? cut : cut.substr(slash + 1)));
    }
    return 0;
}
