// Conversion dispatch: layout and type-code validation, equal-kind copies, type-code/layout
// translation, and worked examples of the element rules through the public entry points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "numconv/conversion_dispatch.h"
#include "numconv/numeric_types.h"

namespace {

constexpr int32_t UINT8_CODE = TYPE_INT8 | TYPE_UNSIGNED;
constexpr int32_t UINT16_CODE = TYPE_INT16 | TYPE_UNSIGNED;
constexpr int32_t UINT32_CODE = TYPE_INT32 | TYPE_UNSIGNED;
constexpr int32_t UINT64_CODE = TYPE_INT64 | TYPE_UNSIGNED;

struct Layout {
    int32_t typeCode;
    int32_t bytes;
    int32_t form;
};

const Layout LAYOUTS[10] = {
    {TYPE_INT8, 1, NUMFORM_SIGNED},    {UINT8_CODE, 1, NUMFORM_UNSIGNED},  {TYPE_INT16, 2, NUMFORM_SIGNED},
    {UINT16_CODE, 2, NUMFORM_UNSIGNED}, {TYPE_INT32, 4, NUMFORM_SIGNED},   {UINT32_CODE, 4, NUMFORM_UNSIGNED},
    {TYPE_INT64, 8, NUMFORM_SIGNED},   {UINT64_CODE, 8, NUMFORM_UNSIGNED}, {TYPE_FLOAT32, 4, NUMFORM_FLOAT},
    {TYPE_FLOAT64, 8, NUMFORM_FLOAT},
};

template <typename T>
uint64_t BitsOf(T value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof(T));
    return bits;
}

int32_t ByteCountOf(int32_t typeCode) {
    for (const Layout& layout : LAYOUTS) {
        if (layout.typeCode == typeCode) return layout.bytes;
    }
    return 0;
}

// Converts one element given by its little-endian bits; returns the destination's bits.
uint64_t ConvertOne(int32_t sourceType, uint64_t sourceBits, int32_t destinationType) {
    uint64_t destination = 0;
    EXPECT_EQ(0, ConvertNumbers(&sourceBits, &destination, 1, sourceType, destinationType));
    const int32_t bytes = ByteCountOf(destinationType);
    return bytes == 8 ? destination : destination & ((uint64_t{1} << (8 * bytes)) - 1);
}

TEST(NumconvDispatch, InvalidLayoutsReturnOneAndTouchNothing) {
    const struct {
        int32_t sourceBytes, sourceForm, destinationBytes, destinationForm;
    } cases[] = {
        {3, NUMFORM_SIGNED, 8, NUMFORM_FLOAT}, {1, 0, 8, NUMFORM_FLOAT},        {1, 4, 8, NUMFORM_FLOAT},
        {2, NUMFORM_FLOAT, 8, NUMFORM_FLOAT},  {1, NUMFORM_FLOAT, 4, NUMFORM_SIGNED}, {8, NUMFORM_FLOAT, 3, NUMFORM_SIGNED},
        {8, NUMFORM_FLOAT, 1, 0},              {8, NUMFORM_FLOAT, 2, NUMFORM_FLOAT}, {0, NUMFORM_SIGNED, 1, NUMFORM_SIGNED},
        {-1, NUMFORM_SIGNED, 1, NUMFORM_SIGNED}, {16, NUMFORM_SIGNED, 1, NUMFORM_SIGNED}, {4, -3, 4, -3},
    };
    const double source[4] = {1.0, 2.0, 3.0, 4.0};
    for (const auto& c : cases) {
        std::vector<unsigned char> destination(64, 0xCD);
        EXPECT_EQ(1, ConvertNumbersByLayout(source, destination.data(), 4, c.sourceBytes, c.sourceForm,
                                            c.destinationBytes, c.destinationForm))
            << c.sourceBytes << "/" << c.sourceForm << " to " << c.destinationBytes << "/" << c.destinationForm;
        EXPECT_EQ(std::vector<unsigned char>(64, 0xCD), destination);
    }
}

TEST(NumconvDispatch, TextComplexAndOtherCodesReturnOneAndTouchNothing) {
    const int32_t refused[] = {TYPE_TEXT, TYPE_COMPLEX, 0x03, 0x05, TYPE_INT32 | TYPE_COMPLEX, UINT64_CODE | TYPE_COMPLEX,
                               0x100, 0x4000, 0x42, 0x40, -1};
    const double source[4] = {1.0, 2.0, 3.0, 4.0};
    for (int32_t code : refused) {
        for (bool onSourceSide : {true, false}) {
            std::vector<unsigned char> destination(64, 0xCD);
            const int32_t result = onSourceSide ? ConvertNumbers(source, destination.data(), 4, code, TYPE_FLOAT64)
                                                : ConvertNumbers(source, destination.data(), 4, TYPE_FLOAT64, code);
            EXPECT_EQ(1, result) << "code 0x" << std::hex << code << (onSourceSide ? " as source" : " as destination");
            EXPECT_EQ(std::vector<unsigned char>(64, 0xCD), destination);
        }
    }
}

TEST(NumconvDispatch, EqualLayoutsCopyTheBlock) {
    for (const Layout& layout : LAYOUTS) {
        std::vector<unsigned char> source(5 * layout.bytes);
        for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(0x9B + 37 * i);
        std::vector<unsigned char> destination(source.size() + 8, 0xEE);
        EXPECT_EQ(-1, ConvertNumbersByLayout(source.data(), destination.data(), 5, layout.bytes, layout.form,
                                             layout.bytes, layout.form));
        EXPECT_EQ(0, std::memcmp(source.data(), destination.data(), source.size())) << "code " << layout.typeCode;
        EXPECT_EQ(0xEE, destination[source.size()]) << "copied past the block";

        const std::vector<unsigned char> before = source;
        EXPECT_EQ(-1, ConvertNumbers(source.data(), source.data(), 5, layout.typeCode, layout.typeCode));
        EXPECT_EQ(before, source) << "same buffer";

        std::vector<unsigned char> untouched(8, 0xEE);
        EXPECT_EQ(-1, ConvertNumbersByLayout(source.data(), untouched.data(), 0, layout.bytes, layout.form,
                                             layout.bytes, layout.form));
        EXPECT_EQ(std::vector<unsigned char>(8, 0xEE), untouched) << "count 0";
    }
}

// A count of 0 or less converts nothing for every pair, and still reports a conversion.
TEST(NumconvDispatch, EmptyAndNegativeCountsWriteNothing) {
    const unsigned char source[16] = {0x80, 0x7F, 0x01, 0xFF, 0x00, 0x10, 0x20, 0x30,
                                      0x40, 0x50, 0x60, 0x70, 0x11, 0x22, 0x33, 0x44};
    for (const Layout& from : LAYOUTS) {
        for (const Layout& to : LAYOUTS) {
            if (from.typeCode == to.typeCode) continue;
            for (int64_t count : {int64_t{0}, int64_t{-1}, int64_t{-1000}, std::numeric_limits<int64_t>::min()}) {
                unsigned char destination[16];
                std::memset(destination, 0xEE, sizeof destination);
                EXPECT_EQ(0, ConvertNumbers(source, destination, count, from.typeCode, to.typeCode));
                for (unsigned char byte : destination) ASSERT_EQ(0xEE, byte) << from.typeCode << " to " << to.typeCode;
            }
        }
    }
}

TEST(NumconvDispatch, TypeCodeToLayout) {
    const int32_t KEPT = 77;
    const struct {
        int32_t typeCode;
        int32_t result, bytes, form, isComplex;
    } cases[] = {
        {TYPE_INT8, 0, 1, NUMFORM_SIGNED, 0},        {UINT8_CODE, 0, 1, NUMFORM_UNSIGNED, 0},
        {TYPE_INT16, 0, 2, NUMFORM_SIGNED, 0},       {UINT16_CODE, 0, 2, NUMFORM_UNSIGNED, 0},
        {TYPE_INT32, 0, 4, NUMFORM_SIGNED, 0},       {UINT32_CODE, 0, 4, NUMFORM_UNSIGNED, 0},
        {TYPE_INT64, 0, 8, NUMFORM_SIGNED, 0},       {UINT64_CODE, 0, 8, NUMFORM_UNSIGNED, 0},
        {TYPE_FLOAT32, 0, 4, NUMFORM_FLOAT, 0},      {TYPE_FLOAT64, 0, 8, NUMFORM_FLOAT, 0},
        {0x05, 0, 8, NUMFORM_FLOAT, 1},              {0x03, 0, 4, NUMFORM_FLOAT, 1},
        {UINT64_CODE | TYPE_COMPLEX, 0, 8, NUMFORM_UNSIGNED, 1},
        {TYPE_TEXT, 374, KEPT, KEPT, 0},             {TYPE_COMPLEX, 374, KEPT, KEPT, 1},
        {0x42, 17, KEPT, KEPT, 0},                   {0x43, 17, KEPT, KEPT, 1},
        {TYPE_UNSIGNED, 17, KEPT, KEPT, 0},          {0x100, 17, KEPT, KEPT, 0},
        {0x4000, 17, KEPT, KEPT, 0},                 {0x06, 17, KEPT, KEPT, 0},
        {-1, 17, KEPT, KEPT, 1},
    };
    for (const auto& c : cases) {
        int32_t bytes = KEPT, form = KEPT, isComplex = KEPT;
        EXPECT_EQ(c.result, TypeCodeToLayout(c.typeCode, &bytes, &form, &isComplex)) << "code 0x" << std::hex << c.typeCode;
        EXPECT_EQ(c.bytes, bytes) << "code 0x" << std::hex << c.typeCode;
        EXPECT_EQ(c.form, form) << "code 0x" << std::hex << c.typeCode;
        EXPECT_EQ(c.isComplex, isComplex) << "code 0x" << std::hex << c.typeCode;
    }
}

TEST(NumconvDispatch, LayoutToTypeCode) {
    for (const Layout& layout : LAYOUTS) {
        int32_t code = -5;
        EXPECT_EQ(0, LayoutToTypeCode(layout.bytes, layout.form, &code));
        EXPECT_EQ(layout.typeCode, code);
    }
    const struct {
        int32_t bytes, form;
    } invalid[] = {{2, NUMFORM_FLOAT}, {1, NUMFORM_FLOAT}, {3, NUMFORM_SIGNED}, {4, 0}, {4, 4}, {0, 0}, {16, NUMFORM_FLOAT}};
    for (const auto& pair : invalid) {
        int32_t code = -5;
        EXPECT_EQ(17, LayoutToTypeCode(pair.bytes, pair.form, &code)) << pair.bytes << "/" << pair.form;
        EXPECT_EQ(-5, code);
    }
}

// Four int8 values widened to float64 within their own buffer, and back again.
TEST(NumconvDispatch, Int8ToFloat64InPlaceAndBack) {
    alignas(8) unsigned char buffer[32] = {};
    const int8_t start[4] = {-1, 0, 1, 127};
    std::memcpy(buffer, start, 4);
    EXPECT_EQ(0, ConvertNumbersByLayout(buffer, buffer, 4, 1, NUMFORM_SIGNED, 8, NUMFORM_FLOAT));
    double widened[4];
    std::memcpy(widened, buffer, sizeof widened);
    EXPECT_EQ(-1.0, widened[0]);
    EXPECT_EQ(0.0, widened[1]);
    EXPECT_EQ(1.0, widened[2]);
    EXPECT_EQ(127.0, widened[3]);
    EXPECT_EQ(0, ConvertNumbersByLayout(buffer, buffer, 4, 8, NUMFORM_FLOAT, 1, NUMFORM_SIGNED));
    EXPECT_EQ(0, std::memcmp(buffer, start, 4));
}

// Worked examples of the element rules, one element each.
TEST(NumconvDispatch, ElementRuleExamples) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* label;
        int32_t sourceType;
        uint64_t source;
        int32_t destinationType;
        uint64_t expected;
    } cases[] = {
        {"float64 2.9 to int8", TYPE_FLOAT64, BitsOf(2.9), TYPE_INT8, BitsOf<int8_t>(2)},
        {"float64 -2.9 to int8", TYPE_FLOAT64, BitsOf(-2.9), TYPE_INT8, BitsOf<int8_t>(-2)},
        {"float64 200 to int8", TYPE_FLOAT64, BitsOf(200.0), TYPE_INT8, BitsOf<int8_t>(-56)},
        {"float64 NaN to int8", TYPE_FLOAT64, BitsOf(nan), TYPE_INT8, 0},
        {"float64 2.9 to uint32", TYPE_FLOAT64, BitsOf(2.9), UINT32_CODE, 2},
        {"float64 -2.9 to uint32", TYPE_FLOAT64, BitsOf(-2.9), UINT32_CODE, 4294967294u},
        {"float64 200 to uint32", TYPE_FLOAT64, BitsOf(200.0), UINT32_CODE, 200},
        {"float64 NaN to uint32", TYPE_FLOAT64, BitsOf(nan), UINT32_CODE, 0},
        {"float64 -1 to uint8", TYPE_FLOAT64, BitsOf(-1.0), UINT8_CODE, 255},
        {"float64 70000 to int16", TYPE_FLOAT64, BitsOf(70000.0), TYPE_INT16, 4464},
        {"float64 3e9 to int32", TYPE_FLOAT64, BitsOf(3.0e9), TYPE_INT32, 0x80000000u},
        {"float64 3e9 to uint32", TYPE_FLOAT64, BitsOf(3.0e9), UINT32_CODE, 3000000000u},
        {"float64 1e10 to uint32", TYPE_FLOAT64, BitsOf(1.0e10), UINT32_CODE, 1410065408u},
        {"float64 NaN to int16", TYPE_FLOAT64, BitsOf(nan), TYPE_INT16, 0},
        {"float64 NaN to uint16", TYPE_FLOAT64, BitsOf(nan), UINT16_CODE, 0},
        {"float64 NaN to uint8", TYPE_FLOAT64, BitsOf(nan), UINT8_CODE, 0},
        {"float64 NaN to int32", TYPE_FLOAT64, BitsOf(nan), TYPE_INT32, 0x80000000u},
        {"float64 NaN to int64", TYPE_FLOAT64, BitsOf(nan), TYPE_INT64, 0x8000000000000000u},
        {"float64 NaN to uint64", TYPE_FLOAT64, BitsOf(nan), UINT64_CODE, 0x8000000000000000u},
        {"float64 -1 to uint64", TYPE_FLOAT64, BitsOf(-1.0), UINT64_CODE, 0xFFFFFFFFFFFFFFFFu},
        {"float64 2^64 to uint64", TYPE_FLOAT64, BitsOf(18446744073709551616.0), UINT64_CODE, 0x8000000000000000u},
        {"float64 1.5 * 2^63 to uint64", TYPE_FLOAT64, BitsOf(13835058055282163712.0), UINT64_CODE, 0xC000000000000000u},
        {"uint64 max to float64", UINT64_CODE, 0xFFFFFFFFFFFFFFFFu, TYPE_FLOAT64, BitsOf(18446744073709551616.0)},
        {"uint64 2^63 to float64", UINT64_CODE, 0x8000000000000000u, TYPE_FLOAT64, BitsOf(9223372036854775808.0)},
        // Signed reading -(2^63 - 1025) rounds to -(2^63 - 1024); adding 2^64 gives a tie that
        // rounds to 2^63, although 2^63 + 1025 alone would round to 2^63 + 2048.
        {"uint64 2^63 + 1025 to float64", UINT64_CODE, 0x8000000000000401u, TYPE_FLOAT64, BitsOf(9223372036854775808.0)},
        {"int64 2^53 + 1 to float64", TYPE_INT64, 9007199254740993u, TYPE_FLOAT64, BitsOf(9007199254740992.0)},
        {"int64 -1 to uint64", TYPE_INT64, BitsOf<int64_t>(-1), UINT64_CODE, 0xFFFFFFFFFFFFFFFFu},
        {"uint32 2147483777 to float32", UINT32_CODE, 2147483777u, TYPE_FLOAT32, BitsOf(2147483904.0f)},
        {"float32 3e9 to uint32", TYPE_FLOAT32, BitsOf(3.0e9f), UINT32_CODE, 3000000000u},
        {"float32 3e9 to int32", TYPE_FLOAT32, BitsOf(3.0e9f), TYPE_INT32, 0x80000000u},
        {"float32 -1.5 to uint64", TYPE_FLOAT32, BitsOf(-1.5f), UINT64_CODE, 0xFFFFFFFFFFFFFFFFu},
        {"float32 2^64 to uint64", TYPE_FLOAT32, BitsOf(18446744073709551616.0f), UINT64_CODE, 0x8000000000000000u},
        {"int16 -1 to uint64", TYPE_INT16, BitsOf<int16_t>(-1), UINT64_CODE, 0xFFFFFFFFFFFFFFFFu},
        {"int16 -1 to uint32", TYPE_INT16, BitsOf<int16_t>(-1), UINT32_CODE, 4294967295u},
        {"int8 -1 to uint8", TYPE_INT8, BitsOf<int8_t>(-1), UINT8_CODE, 255},
        {"uint16 65535 to int64", UINT16_CODE, 65535, TYPE_INT64, 65535},
        {"uint16 65535 to int16", UINT16_CODE, 65535, TYPE_INT16, BitsOf<int16_t>(-1)},
        {"int64 0x1234567890ABCDEF to int8", TYPE_INT64, 0x1234567890ABCDEFu, TYPE_INT8, BitsOf<int8_t>(-17)},
        {"int64 0x1234567890ABCDEF to uint16", TYPE_INT64, 0x1234567890ABCDEFu, UINT16_CODE, 52719},
        {"float64 1e300 to float32", TYPE_FLOAT64, BitsOf(1.0e300), TYPE_FLOAT32, BitsOf(std::numeric_limits<float>::infinity())},
        {"float64 -1e300 to float32", TYPE_FLOAT64, BitsOf(-1.0e300), TYPE_FLOAT32, BitsOf(-std::numeric_limits<float>::infinity())},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, ConvertOne(c.sourceType, c.source, c.destinationType)) << c.label;
    }
    float narrowedNaN = 0;
    const double wideNaN = nan;
    EXPECT_EQ(0, ConvertNumbers(&wideNaN, &narrowedNaN, 1, TYPE_FLOAT64, TYPE_FLOAT32));
    EXPECT_TRUE(std::isnan(narrowedNaN));
}

// The uint32 value 2147483777 lies just above a float32 rounding midpoint: a vectorised
// conversion that rounded twice would give 2147483648 in some lanes.
TEST(NumconvDispatch, UInt32ToFloat32RoundsOnceInEveryPosition) {
    for (bool inPlace : {false, true}) {
        uint32_t source[16];
        for (uint32_t& value : source) value = 2147483777u;
        float separate[16];
        void* destination = inPlace ? static_cast<void*>(source) : static_cast<void*>(separate);
        EXPECT_EQ(0, ConvertNumbers(source, destination, 16, UINT32_CODE, TYPE_FLOAT32));
        for (int i = 0; i < 16; ++i) {
            float result;
            std::memcpy(&result, static_cast<unsigned char*>(destination) + 4 * i, 4);
            EXPECT_EQ(2147483904.0f, result) << "position " << i << (inPlace ? " in place" : "");
        }
    }
}

}  // namespace
