// List-file line splitting: any bytes, cut into pieces at any points, give
// the lines of text mode, the same whatever the pieces.
#include "FuzzCheck.h"
#include "framework/TextLines.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace {

// Text mode read the plain way: up to Ctrl+Z, lines end at LF, a CR right
// before an LF belongs to the terminator, an unterminated last line counts.
std::vector<std::string> Reference(std::string text) {
    text = text.substr(0, text.find('\x1A'));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<size_t> cuts;
    for (int i = in.ConsumeIntegralInRange(0, 16); i > 0; --i) cuts.push_back(in.ConsumeIntegralInRange<size_t>(0, 64));
    const std::string text = in.ConsumeRemainingBytesAsString();

    fw::TextLines splitter;
    std::vector<std::string> lines;
    std::string line = "stale";
    size_t pos = 0;
    for (size_t i = 0; pos < text.size(); ++i) {
        const size_t n = std::min(text.size() - pos, i < cuts.size() && cuts[i] ? cuts[i] : text.size());
        splitter.Put(text.data() + pos, n);
        pos += n;
        while (splitter.TakeLine(line)) lines.push_back(line);
        if (splitter.Ended()) break;
    }
    if (splitter.TakeRest(line)) lines.push_back(line);
    FUZZ_CHECK(!splitter.TakeRest(line) && !splitter.TakeLine(line));
    FUZZ_CHECK(lines == Reference(text));
    return 0;
}
