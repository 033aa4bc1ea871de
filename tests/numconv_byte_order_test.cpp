// Byte-order reversal of block elements.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "numconv/byte_order.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(NumconvByteOrder, ReverseElementBytes) {
    const Bytes block = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    const struct {
        int32_t elementBytes;
        uint64_t count;
        Bytes expected;  // the block's first 24 bytes afterwards
    } cases[] = {
        {2, 3, {2, 1, 4, 3, 6, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}},
        {4, 2, {4, 3, 2, 1, 8, 7, 6, 5, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}},
        {8, 3, {8, 7, 6, 5, 4, 3, 2, 1, 16, 15, 14, 13, 12, 11, 10, 9, 24, 23, 22, 21, 20, 19, 18, 17}},
        {3, 2, {3, 2, 1, 6, 5, 4, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}},
        {5, 2, {5, 4, 3, 2, 1, 10, 9, 8, 7, 6, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}},
        {12, 2, {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13}},
        {1, 24, block},
        {4, 0, block},
        {0, 24, block},
        {-4, 6, block},
    };
    for (const auto& c : cases) {
        Bytes data = block;
        ReverseElementBytes(data.data(), c.elementBytes, c.count);
        EXPECT_EQ(c.expected, data) << c.elementBytes << " bytes x " << c.count;
    }
}

// Reversing twice restores the block; a block longer than any unrolled step is covered.
TEST(NumconvByteOrder, ReversingTwiceRestores) {
    for (int32_t elementBytes : {2, 4, 8, 6}) {
        Bytes data(1000 * size_t(elementBytes));
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + 3);
        const Bytes original = data;
        ReverseElementBytes(data.data(), elementBytes, 1000);
        EXPECT_EQ(original[0], data[size_t(elementBytes) - 1]);
        EXPECT_EQ(original[data.size() - 1], data[data.size() - size_t(elementBytes)]);
        ReverseElementBytes(data.data(), elementBytes, 1000);
        EXPECT_EQ(original, data) << elementBytes;
    }
}

}  // namespace
