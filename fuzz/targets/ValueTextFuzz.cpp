// Value rendering over any code and any buffer. The buffer is an exact-size
// heap block, so a read past its end is an AddressSanitizer report.
#include "FuzzCheck.h"
#include "plugin/PluginInterface.h"
#include "plugin/ValueText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int code = in.ConsumeBool() ? in.ConsumeIntegralInRange(-4, 11) : in.ConsumeIntegral<int>();
    const std::vector<uint8_t> bytes = in.ConsumeRemainingBytes<uint8_t>();
    std::unique_ptr<char[]> buffer(new char[bytes.size()]);
    if (!bytes.empty()) std::memcpy(buffer.get(), bytes.data(), bytes.size());

    const std::string text = wdx::ValueText(code, buffer.get(), bytes.size());
    const int clamped = wdx::ClampFieldType(code);
    FUZZ_CHECK(clamped >= 0 && clamped <= wdx::kLastFieldType);
    FUZZ_CHECK(wdx::TypeText(code) != nullptr);

    switch (code) {
    case wdx::kChoice:
    case wdx::kString:
    case wdx::kFulltext: {
        const void* nul = std::memchr(buffer.get(), '\0', bytes.size());
        const size_t n = nul ? static_cast<const char*>(nul) - buffer.get() : bytes.size();
        FUZZ_CHECK(text == std::string(buffer.get(), n));
        break;
    }
    case wdx::kNumeric32:
        if (bytes.size() >= 4) {
            int32_t v;
            std::memcpy(&v, bytes.data(), 4);
            FUZZ_CHECK(text == std::to_string(v));
        }
        break;
    case wdx::kNumeric64:
        if (bytes.size() >= 8) {
            int64_t v;
            std::memcpy(&v, bytes.data(), 8);
            FUZZ_CHECK(text == std::to_string(static_cast<long long>(v)));
        }
        break;
    case wdx::kBool:
        FUZZ_CHECK(text == "Yes" || text == "No");
        break;
    case wdx::kFloat:
    case wdx::kDate:
    case wdx::kTime:
        FUZZ_CHECK(!text.empty());
        break;
    default:
        FUZZ_CHECK(text == "<No such Field>" || text == "<Error>" || text == "<Empty>" || text == "Unknown");
    }
    return 0;
}
