#include "cli/FuzzMutator.h"

#include <algorithm>

namespace cli {

namespace {

// The edges where a trusted length or offset goes wrong, for 1, 2 and 4
// bytes: zero, one, the largest signed value, the smallest, all ones (-1).
constexpr uint32_t kInteresting[3][5] = {{0, 1, 0x7F, 0x80, 0xFF},
                                         {0, 1, 0x7FFF, 0x8000, 0xFFFF},
                                         {0, 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu}};

enum Change { BitFlip, ByteFlip, RandomByte, Interesting, InsertRun, DeleteRun, Truncate, Splice, RepeatBlock, kChanges };

}  // namespace

std::string FuzzMutator::Mutate(const std::string& input, const std::string& other) {
    std::string data = input;
    const size_t changes = 1 + Below(4);
    for (size_t i = 0; i < changes; ++i) MutateOnce(data, other);
    if (data.size() > kMaxSize) data.resize(kMaxSize);
    return data;
}

void FuzzMutator::MutateOnce(std::string& data, const std::string& other) {
    // An empty input can only grow.
    const int change = data.empty() ? InsertRun : static_cast<int>(Below(kChanges));
    const size_t size = data.size();
    switch (change) {
    case BitFlip:
        data[Below(size)] ^= static_cast<char>(1u << Below(8));
        break;
    case ByteFlip:
        data[Below(size)] ^= static_cast<char>(0xFF);
        break;
    case RandomByte:
        data[Below(size)] = static_cast<char>(Below(256));
        break;
    case Interesting: {
        static constexpr size_t kWidths[] = {1, 2, 4};
        size_t kind = Below(3);
        while (kWidths[kind] > size) --kind;
        const size_t width = kWidths[kind];
        const uint32_t value = kInteresting[kind][Below(5)];
        const size_t at = Below(size - width + 1);
        const bool bigEndian = Below(2) == 1;
        for (size_t b = 0; b < width; ++b) {
            const size_t shift = 8 * (bigEndian ? width - 1 - b : b);
            data[at + b] = static_cast<char>((value >> shift) & 0xFF);
        }
        break;
    }
    case InsertRun: {
        const size_t length = 1 + Below(32);
        const size_t at = Below(size + 1);
        std::string run(length, static_cast<char>(Below(256)));
        if (Below(2)) for (char& c : run) c = static_cast<char>(Below(256));
        data.insert(at, run);
        break;
    }
    case DeleteRun: {
        const size_t length = 1 + Below(std::min<size_t>(32, size));
        data.erase(Below(size - length + 1), length);
        break;
    }
    case Truncate:
        data.resize(Below(size));
        break;
    case Splice: {
        if (other.empty()) break;
        // This one's head, the other's tail: a header of one kind before the body of another.
        data = data.substr(0, Below(size + 1)) + other.substr(Below(other.size()));
        break;
    }
    case RepeatBlock: {
        const size_t length = 1 + Below(std::min<size_t>(64, size));
        const size_t at = Below(size - length + 1);
        const std::string block = data.substr(at, length);
        const size_t times = 1 + Below(15);
        std::string repeated;
        for (size_t t = 0; t < times && repeated.size() + data.size() < kMaxSize; ++t) repeated += block;
        data.insert(at, repeated);
        break;
    }
    default:
        break;
    }
}

}  // namespace cli
