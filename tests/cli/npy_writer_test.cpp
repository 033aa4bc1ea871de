// Tests of the .npy writer: header, data and the temporary-then-rename rule.
#include "cli/npy_writer.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "cli/cli_errors.h"
#include "cli_test_support.h"

namespace {

using NpyWriterTest = ScratchFolder;

std::string ReadFile(const std::string& path)
{
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

TEST_F(NpyWriterTest, HeaderAndDataAreWhatNumPyReads)
{
    constexpr int width = 4;
    constexpr int height = 3;
    std::vector<float> values(3 * width * height);
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<float>(i) * 0.5f - 7.0f;
    }
    NpyWriter writer;
    std::string message;
    ASSERT_EQ(OpenNpyWriter(Path("X.npy"), width, height, 3, &writer, &message), CLI_OK) << message;
    ASSERT_EQ(AppendNpyPages(&writer, values.data(), 1, &message), CLI_OK) << message;
    ASSERT_EQ(AppendNpyPages(&writer, values.data() + width * height, 2, &message), CLI_OK) << message;
    ASSERT_EQ(CloseNpyWriter(&writer, &message), CLI_OK) << message;
    EXPECT_EQ(Names(), std::vector<std::string>{"X.npy"});

    const std::string file = ReadFile(Path("X.npy"));
    ASSERT_GE(file.size(), 10u);
    EXPECT_EQ(file.substr(0, 8), std::string("\x93NUMPY\x01\x00", 8));
    const size_t headerLength = static_cast<uint8_t>(file[8]) | (static_cast<size_t>(static_cast<uint8_t>(file[9])) << 8);
    const size_t dataOffset = 10 + headerLength;
    EXPECT_EQ(dataOffset % 64, 0u);
    const std::string dictionary = file.substr(10, headerLength);
    EXPECT_EQ(dictionary.rfind("{'descr': '<f4', 'fortran_order': False, 'shape': (3, 3, 4), }", 0), 0u) << dictionary;
    EXPECT_EQ(dictionary.back(), '\n');
    ASSERT_EQ(file.size(), dataOffset + values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) {
        // Little-endian float32, C order: pair, then row, then column.
        uint32_t bits = 0;
        for (int b = 0; b < 4; ++b) {
            bits |= static_cast<uint32_t>(static_cast<uint8_t>(file[dataOffset + 4 * i + b])) << (8 * b);
        }
        float value = 0;
        std::memcpy(&value, &bits, 4);
        EXPECT_EQ(value, values[i]) << i;
    }
}

TEST_F(NpyWriterTest, HeaderPaddingKeepsDataAlignedForLongShapes)
{
    for (int64_t pages : {int64_t{1}, int64_t{12345678901}}) {
        const std::string header = MakeNpyHeader(pages, 1024, 99999);
        EXPECT_EQ(header.size() % 64, 0u);
        EXPECT_EQ(header.back(), '\n');
        EXPECT_EQ(static_cast<size_t>(static_cast<uint8_t>(header[8])) + 10, header.size());
    }
}

TEST_F(NpyWriterTest, UnfinishedOrAbortedFilesLeaveNothingBehind)
{
    const std::vector<float> page(6, 1.0f);
    NpyWriter writer;
    std::string message;
    ASSERT_EQ(OpenNpyWriter(Path("Y.npy"), 3, 2, 2, &writer, &message), CLI_OK);
    ASSERT_EQ(AppendNpyPages(&writer, page.data(), 1, &message), CLI_OK);
    EXPECT_EQ(CloseNpyWriter(&writer, &message), CLI_ERR_ARGUMENT);
    EXPECT_TRUE(Names().empty());
    ASSERT_EQ(OpenNpyWriter(Path("Y.npy"), 3, 2, 1, &writer, &message), CLI_OK);
    EXPECT_EQ(AppendNpyPages(&writer, page.data(), 2, &message), CLI_ERR_ARGUMENT);
    AbortNpyWriter(&writer);
    EXPECT_TRUE(Names().empty());
    EXPECT_EQ(OpenNpyWriter(Path("nowhere/Y.npy"), 3, 2, 1, &writer, &message), CLI_ERR_WRITE);
    EXPECT_EQ(OpenNpyWriter(Path("Y.npy"), 3, -2, 1, &writer, &message), CLI_ERR_ARGUMENT);
    EXPECT_TRUE(Names().empty());
}

}  // namespace
