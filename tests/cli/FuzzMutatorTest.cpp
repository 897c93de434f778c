#include "cli/FuzzMutator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Whatever it is given, a mutation stays within bounds and an input of any
// size (none, one byte, the largest) yields inputs the parser can be handed.
TEST(FuzzMutator, EveryInputSizeMutatesWithinBounds) {
    const std::vector<std::string> inputs = {"", "A", "AB", "ABCD", std::string(cli::FuzzMutator::kMaxSize, 'x')};
    cli::FuzzMutator mutator(1);
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.size());
        bool changed = false;
        for (int i = 0; i < 2000; ++i) {
            const std::string out = mutator.Mutate(input, inputs[static_cast<size_t>(i) % inputs.size()]);
            ASSERT_LE(out.size(), cli::FuzzMutator::kMaxSize);
            changed = changed || out != input;
        }
        EXPECT_TRUE(changed);
    }
}

// The values where trusted lengths go wrong reach every width and byte order
// (each seen alone, and often, in an input of zeros); the same seed gives the same inputs
// (a run can be repeated), another seed others.
TEST(FuzzMutator, EdgeValuesInBothByteOrdersAndTheSameSequenceForASeed) {
    const std::string zeros(16, '\0');
    // Little- and big-endian 0x7FFFFFFF, little-endian 0x80000000, big-endian 0x8000, 0x7F.
    const std::vector<std::string> wanted = {"\xFF\xFF\xFF\x7F", "\x7F\xFF\xFF\xFF", std::string("\0\0\0\x80", 4),
                                             std::string("\x80\0", 2), "\x7F"};
    const auto alone = [&](const std::string& out, const std::string& value) {
        for (size_t at = 0; at + value.size() <= zeros.size(); ++at)
            if (out == zeros.substr(0, at) + value + zeros.substr(at + value.size())) return true;
        return false;
    };
    std::vector<int> count(wanted.size());
    cli::FuzzMutator a(42), b(42), c(43);
    bool sameAsA = true, otherDiffers = false;
    for (int i = 0; i < 20000; ++i) {
        const std::string out = a.Mutate(zeros, zeros);
        sameAsA = sameAsA && b.Mutate(zeros, zeros) == out;
        otherDiffers = otherDiffers || c.Mutate(zeros, zeros) != out;
        for (size_t w = 0; w < wanted.size(); ++w) count[w] += alone(out, wanted[w]);
    }
    EXPECT_TRUE(sameAsA);
    EXPECT_TRUE(otherDiffers);
        // Put together from other changes, a value comes about once or so in these runs.
    for (size_t w = 0; w < wanted.size(); ++w) EXPECT_GE(count[w], 5) << "edge value " << w;
}

}  // namespace
