// The changes --fuzz makes to a file: the ones that find the bugs of a parser
// written for valid files. Lengths and offsets that lie (the values at the
// edges of 1, 2 and 4 bytes, either byte order), bytes flipped, runs inserted
// and deleted, a file cut short, two files spliced, a block repeated. Seeded,
// so that a run can be repeated exactly.
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace cli {

class FuzzMutator {
public:
    explicit FuzzMutator(uint64_t seed) : m_random(seed) {}

    // input with one to four changes stacked; other (may be input itself) for splices.
    std::string Mutate(const std::string& input, const std::string& other);
    // A whole number below bound (bound >= 1).
    size_t Below(size_t bound) { return static_cast<size_t>(m_random() % bound); }

    // Inputs grow by inserts and repeats; none grows past this.
    static constexpr size_t kMaxSize = 1 << 20;

private:
    void MutateOnce(std::string& data, const std::string& other);

    std::mt19937_64 m_random;
};

}  // namespace cli
