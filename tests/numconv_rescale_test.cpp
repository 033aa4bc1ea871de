// In-place offset, scale, clip and rounding transforms, and the rounding rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "numconv/numeric_types.h"
#include "numconv/rescale.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

template <typename T>
std::vector<T> ClipRound(int32_t typeCode, std::vector<T> data, double offset, double scale, double low, double high,
                         int32_t roundFlag) {
    RescaleClipRoundNumbers(typeCode, data.data(), static_cast<int64_t>(data.size()), offset, scale, low, high,
                            roundFlag);
    return data;
}

template <typename T>
std::vector<T> Rescale(int32_t typeCode, std::vector<T> data, double offset, double scale) {
    RescaleNumbers(typeCode, data.data(), &offset, &scale, static_cast<int64_t>(data.size()));
    return data;
}

TEST(NumconvRescale, ClipRoundOnIntegerKinds) {
    constexpr int32_t UINT8_CODE = TYPE_INT8 | TYPE_UNSIGNED;
    // Default bounds (0 and 0) keep each kind within its own range.
    EXPECT_EQ((std::vector<int8_t>{127, -128}), ClipRound<int8_t>(TYPE_INT8, {100, -100}, 0, 2, 0, 0, 0));
    EXPECT_EQ((std::vector<int8_t>{127, -128}), ClipRound<int8_t>(TYPE_INT8, {100, -100}, 0, 2, -0.0, 0, 0));
    EXPECT_EQ((std::vector<uint8_t>{255, 0}), ClipRound<uint8_t>(UINT8_CODE, {200, 3}, -10, 2, 0, 0, 0));
    EXPECT_EQ((std::vector<int16_t>{4}), ClipRound<int16_t>(TYPE_INT16, {3}, 0.5, 1, 0, 0, 1));
    EXPECT_EQ((std::vector<int16_t>{3}), ClipRound<int16_t>(TYPE_INT16, {3}, 0.5, 1, 0, 0, 0));
    EXPECT_EQ((std::vector<uint16_t>{65535, 0}),
              ClipRound<uint16_t>(TYPE_INT16 | TYPE_UNSIGNED, {40000, 5}, -10, 2, 0, 0, 1));
    EXPECT_EQ((std::vector<int32_t>{2147483647, -2147483647 - 1}),
              ClipRound<int32_t>(TYPE_INT32, {2000000000, -2000000000}, 0, 2, 0, 0, 0));
    EXPECT_EQ((std::vector<uint32_t>{4294967295u, 0}),
              ClipRound<uint32_t>(TYPE_INT32 | TYPE_UNSIGNED, {4000000000u, 7}, -7, 2, 0, 0, 0));
    // The 64-bit kinds clip at 2^53, not at their full ranges.
    const int64_t twoPow60 = int64_t{1} << 60;
    EXPECT_EQ((std::vector<int64_t>{9007199254740992, -9007199254740992}),
              ClipRound<int64_t>(TYPE_INT64, {twoPow60, -twoPow60}, 0, 1, 0, 0, 1));
    EXPECT_EQ((std::vector<uint64_t>{9007199254740992u}),
              ClipRound<uint64_t>(TYPE_INT64 | TYPE_UNSIGNED, {uint64_t{1} << 63}, 0, 1, 0, 0, 0));
    // Unbounded, no rounding, offset only: wrap-around instead of clipping.
    EXPECT_EQ((std::vector<uint8_t>{251}), ClipRound<uint8_t>(UINT8_CODE, {5}, -10, 1, -INF, INF, 0));
}

// When nothing is to be done the data is not read and rewritten: an int64 above 2^53 would
// otherwise come back rounded to float64.
TEST(NumconvRescale, NothingToDoLeavesDataUntouched) {
    const int64_t odd = (int64_t{1} << 60) + 1;
    EXPECT_EQ((std::vector<int64_t>{odd}), ClipRound<int64_t>(TYPE_INT64, {odd}, 0, 1, -INF, INF, 0));
    EXPECT_EQ((std::vector<int64_t>{odd}), ClipRound<int64_t>(TYPE_INT64, {odd}, -0.0, 1, -INF, INF, 0));
    EXPECT_EQ((std::vector<int64_t>{odd}), Rescale<int64_t>(TYPE_INT64, {odd}, 0, 1));
    // Float kinds have no default bounds: 0 and 0 then clips nothing.
    EXPECT_EQ((std::vector<double>{1e300, -2.5}), ClipRound<double>(TYPE_FLOAT64, {1e300, -2.5}, 0, 1, 0, 0, 0));
    EXPECT_EQ((std::vector<float>{200, -200}), ClipRound<float>(TYPE_FLOAT32, {100, -100}, 0, 2, 0, 0, 0));
}

TEST(NumconvRescale, ClipBoundsAndNaN) {
    const struct {
        const char* label;
        double low, high;
        std::vector<double> data, expected;
    } cases[] = {
        {"both bounds", -1.0, 2.0, {-5.0, 0.5, 9.0, -INF, INF}, {-1.0, 0.5, 2.0, -1.0, 2.0}},
        {"NaN element passes", -1.0, 2.0, {NOT_A_NUMBER}, {NOT_A_NUMBER}},
        {"NaN low clips nothing below", NOT_A_NUMBER, 2.0, {-5.0, 9.0}, {-5.0, 2.0}},
        {"NaN high clips nothing above", -1.0, NOT_A_NUMBER, {-5.0, 9.0}, {-1.0, 9.0}},
        {"low above high gives high", 5.0, 1.0, {-5.0, 3.0, 9.0, NOT_A_NUMBER}, {1.0, 1.0, 1.0, NOT_A_NUMBER}},
        {"only a low bound", 0.0, INF, {-5.0, 9.0}, {0.0, 9.0}},
    };
    for (const auto& c : cases) {
        const std::vector<double> result = ClipRound<double>(TYPE_FLOAT64, c.data, 0, 1, c.low, c.high, 0);
        for (size_t i = 0; i < c.expected.size(); ++i) {
            if (std::isnan(c.expected[i])) EXPECT_TRUE(std::isnan(result[i])) << c.label;
            else EXPECT_EQ(c.expected[i], result[i]) << c.label << " element " << i;
        }
    }
}

// Clipping comes before rounding, and a NaN offset or scale makes the transform run.
TEST(NumconvRescale, StepOrderAndNaNParameters) {
    EXPECT_EQ((std::vector<double>{3.0}), ClipRound<double>(TYPE_FLOAT64, {7.0}, 0, 1, -INF, 2.5, 1));
    EXPECT_EQ((std::vector<int32_t>{-2147483647 - 1, -2147483647 - 1}),
              Rescale<int32_t>(TYPE_INT32, {1, 2}, 0, NOT_A_NUMBER));
    EXPECT_EQ((std::vector<int32_t>{-2147483647 - 1}), Rescale<int32_t>(TYPE_INT32, {1}, NOT_A_NUMBER, 1));
    EXPECT_EQ((std::vector<int8_t>{0}), ClipRound<int8_t>(TYPE_INT8, {5}, NOT_A_NUMBER, 1, 0, 0, 0));
    EXPECT_EQ((std::vector<int16_t>{6, -5}), Rescale<int16_t>(TYPE_INT16, {3, -3}, 0.25, 2));  // 6.5, -5.5 truncated
}

TEST(NumconvRescale, UnknownTypeCodesAreIgnored) {
    const int32_t ignored[] = {TYPE_TEXT, TYPE_COMPLEX, 0x05, 0x03, 0x21, 0x100, 0x4000, 0x42};
    for (int32_t code : ignored) {
        std::vector<double> data = {1.5, -2.5};
        const double offset = 1, scale = 3;
        RescaleNumbers(code, data.data(), &offset, &scale, 2);
        RescaleClipRoundNumbers(code, data.data(), 2, 1, 3, -1, 1, 1);
        RescaleClipRoundNumbers(code, data.data(), 2, 1, 3, 0, 0, 1);
        EXPECT_EQ((std::vector<double>{1.5, -2.5}), data) << "code " << code;
    }
}

TEST(NumconvRescale, RoundHalfAwayFromZero) {
    const struct {
        double x, expected;
    } cases[] = {
        {2.5, 3.0},
        {-2.5, -3.0},
        {0.5, 1.0},
        {-0.5, -1.0},
        {2.4, 2.0},
        {-2.4, -2.0},
        {0.49999999999999994, 1.0},  // x + 0.5 rounds up to 1 before floor
        {4503599627370497.0, 4503599627370498.0},
        {-4503599627370497.0, -4503599627370498.0},
        {9007199254740993.0, 9007199254740993.0},  // not representable: the literal is 2^53
        {INF, INF},
        {-INF, -INF},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, RoundHalfAwayFromZero(c.x)) << c.x;
    EXPECT_FALSE(std::signbit(RoundHalfAwayFromZero(-0.0)));
    EXPECT_EQ(0.0, RoundHalfAwayFromZero(-0.0));
    EXPECT_TRUE(std::isnan(RoundHalfAwayFromZero(NOT_A_NUMBER)));
}

}  // namespace
