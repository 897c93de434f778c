// The label of a duplicated tab against any label and any set of labels in
// use: a free label, built from the source's base, with the lowest free number.
#include "FuzzCheck.h"
#include "tabstrip/TabCopyLabel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string label = in.ConsumeRandomLengthString(40);
    std::set<std::string> taken{label};
    // Runs of numbered copies of a prefix of the label, so that the search goes far.
    const std::string prefix = label.substr(0, in.ConsumeIntegralInRange<size_t>(0, label.size()));
    const int run = in.ConsumeIntegralInRange(0, 150);
    for (int k = 2; k < 2 + run; ++k) {
        taken.insert(prefix + " (" + std::to_string(k) + ")");
        taken.insert(prefix + "(" + std::to_string(k) + ")");
    }
    while (in.remaining_bytes() > 0 && taken.size() < 400) taken.insert(in.ConsumeRandomLengthString(40));

    size_t asked = 0;
    const std::string copy = tabstrip::CopyLabel(label, [&](const std::string& candidate) {
        FUZZ_CHECK(++asked <= taken.size() + 1);
        return taken.count(candidate) > 0;
    });
    FUZZ_CHECK(taken.count(copy) == 0);

    // copy = base + open + k + ")", base a prefix of label and k >= 2.
    const size_t open = copy.rfind('(');
    FUZZ_CHECK(open != std::string::npos && copy.back() == ')');
    const std::string number = copy.substr(open + 1, copy.size() - open - 2);
    FUZZ_CHECK(!number.empty() && number[0] != '0' && number.find_first_not_of("0123456789") == std::string::npos);
    const int k = std::stoi(number);
    FUZZ_CHECK(k >= 2);
    const bool spaced = open > 0 && copy[open - 1] == ' ' && label.compare(0, open - 1, copy, 0, open - 1) == 0 &&
                        label.size() == open - 1;
    const std::string base = spaced ? label : copy.substr(0, open);
    FUZZ_CHECK(label.compare(0, base.size(), base) == 0);
    if (!spaced) {
        const std::string suffix = label.substr(base.size());
        const bool oneDigit = suffix.size() == 3 && suffix[1] >= '2' && suffix[1] <= '9';
        const bool twoDigits = suffix.size() == 4 && suffix[1] >= '1' && suffix[1] <= '9' && suffix[2] >= '0' &&
                               suffix[2] <= '9';
        FUZZ_CHECK(suffix.front() == '(' && suffix.back() == ')' && (oneDigit || twoDigits));
    }
    // Every lower number was taken.
    const std::string head = copy.substr(0, open + 1);
    for (int j = 2; j < k; ++j) FUZZ_CHECK(taken.count(head + std::to_string(j) + ")") > 0);
    return 0;
}
