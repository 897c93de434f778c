#include "plugin/PluginInterface.h"
#include "plugin/ValueText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

using namespace wdx;

// A 1024-byte value buffer laid out as a plugin would leave it.
struct Buffer {
    char bytes[kBufferSize] = {};
    template <class T>
    Buffer& Put(const T& v, size_t offset = 0) {
        std::memcpy(bytes + offset, &v, sizeof v);
        return *this;
    }
    Buffer& Shorts(int16_t a, int16_t b, int16_t c) { return Put(a, 0).Put(b, 2).Put(c, 4); }
    std::string Text(int code) const { return ValueText(code, bytes, sizeof bytes); }
};

TEST(TypeText, EveryCodeHasItsTextAndOutsideCodesAreUnknown) {
    const char* expected[] = {"", "Numeric 32", "Numeric 64", "Float", "Date", "Time",
                              "Bool", "Choice", "String", "Fulltext", "Unknown"};
    for (int code = 0; code <= 10; ++code) EXPECT_STREQ(TypeText(code), expected[code]) << code;
    for (int code : {-1, -5, 11, 1000, INT_MIN, INT_MAX}) {
        EXPECT_EQ(ClampFieldType(code), 10) << code;
        EXPECT_STREQ(TypeText(code), "Unknown") << code;
    }
    EXPECT_EQ(ClampFieldType(0), 0);  // only the end of the list, never clamped
}

TEST(ValueText, NumbersUseTheirWidthAndFormat) {
    EXPECT_EQ(Buffer().Put(int32_t{-42}).Text(kNumeric32), "-42");
    EXPECT_EQ(Buffer().Put(int32_t{INT_MIN}).Text(kNumeric32), "-2147483648");
    // Only the low 32 bits belong to a Numeric 32.
    EXPECT_EQ(Buffer().Put(int64_t{0x100000007}).Text(kNumeric32), "7");
    EXPECT_EQ(Buffer().Put(int64_t{-1}).Text(kNumeric64), "-1");
    EXPECT_EQ(Buffer().Put(int64_t{LLONG_MIN}).Text(kNumeric64), "-9223372036854775808");
    EXPECT_EQ(Buffer().Put(int64_t{1234567890123}).Text(kNumeric64), "1234567890123");
    EXPECT_EQ(Buffer().Put(1.5).Text(kFloat), "1.500000");
    EXPECT_EQ(Buffer().Put(-0.0000004).Text(kFloat), "-0.000000");
    EXPECT_EQ(Buffer().Put(1e20).Text(kFloat), "100000000000000000000.000000");
}

TEST(ValueText, DatesAndTimesAreSignedShortsWithTheirPadding) {
    EXPECT_EQ(Buffer().Shorts(2005, 1, 15).Text(kDate), "2005-01-15");
    EXPECT_EQ(Buffer().Shorts(9, 5, 7).Text(kTime), "09:05:07");
    EXPECT_EQ(Buffer().Shorts(5, 12, 31).Text(kDate), "5-12-31");
    EXPECT_EQ(Buffer().Shorts(-1, -2, 100).Text(kDate), "-1--2-100");
    EXPECT_EQ(Buffer().Shorts(23, 59, 59).Text(kTime), "23:59:59");
}

TEST(ValueText, BoolIsYesForAnyNonZeroInteger) {
    EXPECT_EQ(Buffer().Put(int32_t{2}).Text(kBool), "Yes");
    EXPECT_EQ(Buffer().Put(int32_t{-1}).Text(kBool), "Yes");
    EXPECT_EQ(Buffer().Put(int32_t{0}).Text(kBool), "No");
    // Bytes past the 32-bit integer do not count.
    EXPECT_EQ(Buffer().Put(int32_t{0}).Put(int32_t{1}, 4).Text(kBool), "No");
}

TEST(ValueText, TextCodesTakeTheBufferAsText) {
    Buffer b;
    std::strcpy(b.bytes, "hello");
    for (int code : {kChoice, kString, kFulltext}) EXPECT_EQ(b.Text(code), "hello") << code;
    EXPECT_EQ(Buffer().Text(kString), "");
}

TEST(ValueText, SpecialAndOutsideCodesIgnoreTheBuffer) {
    Buffer b;
    std::strcpy(b.bytes, "ignored");
    EXPECT_EQ(b.Text(kNoSuchField), "<No such Field>");
    EXPECT_EQ(b.Text(kFileError), "<Error>");
    EXPECT_EQ(b.Text(kFieldEmpty), "<Empty>");
    for (int code : {0, 10, 11, -4, INT_MIN, INT_MAX}) EXPECT_EQ(b.Text(code), "Unknown") << code;
}

// The buffer sits inside a larger block whose following bytes are not zero:
// nothing past its end may be read.
TEST(ValueText, AFullBufferWithoutTerminatorEndsAtTheBufferEnd) {
    std::vector<char> block(kBufferSize + 64, 'y');
    std::memset(block.data(), 'x', kBufferSize);
    const std::string text = ValueText(kString, block.data(), kBufferSize);
    EXPECT_EQ(text, std::string(kBufferSize, 'x'));
    EXPECT_EQ(BoundedText(block.data(), kBufferSize).size(), size_t(kBufferSize));
}

TEST(ValueText, ANumberInATooSmallBufferReadsOnlyWhatIsThere) {
    const unsigned char three[3] = {0x01, 0x02, 0x03};
    EXPECT_EQ(ValueText(kNumeric32, three, sizeof three), "197121");  // 0x030201
    EXPECT_EQ(ValueText(kDate, three, sizeof three), "513-03-00");
    EXPECT_EQ(ValueText(kNumeric64, three, 0), "0");
}

TEST(TimeText, CountsBecomeMillisecondsWithThreeDecimals) {
    const int64_t f = 10000000;  // Wine's frequency
    EXPECT_EQ(TimeText(500, 500, f), "0.000");
    EXPECT_EQ(TimeText(500, 500 + f / 1000, f), "1.000");
    EXPECT_EQ(TimeText(0, 1, f), "0.000");
    EXPECT_EQ(TimeText(0, 5, f), "0.001");  // half a microsecond and up rounds up
    EXPECT_EQ(TimeText(0, 3575, 3579545), "0.999");  // 0.99873 ms
    EXPECT_EQ(TimeText(7, 7 + 3 * f, f), "3000.000");
}

TEST(TimeText, TheDifferenceSpansTheWrapOfTheLowWordAndLongFetches) {
    const int64_t f = 10000000;
    // Low word wraps between the readings.
    EXPECT_EQ(TimeText(0x1FFFFFFF0LL, 0x1FFFFFFF0LL + f / 1000, f), "1.000");
    EXPECT_EQ(TimeText(0xFFFFFFFFLL, 0x100000000LL + f / 1000 - 1, f), "1.000");
    // More than 2^32 counts: a low-word difference would say 0.000.
    EXPECT_EQ(TimeText(1000, 1000 + (1LL << 32), f), "429496.730");
    EXPECT_EQ(TimeText(-5, 5, f), "0.001");
}

TEST(TimeText, NoCounterGivesTheNoCounterText) {
    EXPECT_EQ(TimeText(0, 0, 0), kNoCounterText);
    EXPECT_EQ(TimeText(10, 20, 0), kNoCounterText);
    EXPECT_EQ(TimeText(10, 20, -1), kNoCounterText);
}

}  // namespace
