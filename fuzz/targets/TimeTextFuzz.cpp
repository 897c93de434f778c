// The time text of any two counter readings and any frequency: "n/a" without
// a counter, else milliseconds with exactly three decimals.
#include "FuzzCheck.h"
#include "plugin/ValueText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int64_t first = in.ConsumeIntegral<int64_t>();
    const int64_t second = in.ConsumeIntegral<int64_t>();
    const int64_t frequency = in.ConsumeIntegral<int64_t>();
    const std::string text = wdx::TimeText(first, second, frequency);
    if (frequency <= 0) {
        FUZZ_CHECK(text == wdx::kNoCounterText);
        return 0;
    }
    const size_t dot = text.find('.');
    FUZZ_CHECK(dot != std::string::npos && dot > 0 && text.size() == dot + 4);
    for (size_t i = 0; i < text.size(); ++i)
        FUZZ_CHECK(i == dot || std::isdigit(static_cast<unsigned char>(text[i])));
    return 0;
}
