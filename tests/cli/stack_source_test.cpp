// Tests of stack reading: TIFF stacks, frame folders and lists, calibration, conversion, bad inputs.
#include "cli/stack_source.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "cli/cli_errors.h"
#include "cli/frame_files.h"
#include "cli_test_support.h"

namespace {

const std::string MICROMETRE = "\xC2\xB5m";

using StackSourceTest = ScratchFolder;

std::vector<std::pair<uint32_t, uint32_t>> SameSizes(size_t count, uint32_t width, uint32_t height)
{
    return std::vector<std::pair<uint32_t, uint32_t>>(count, {width, height});
}

std::vector<uint8_t> Concatenate(const std::vector<std::vector<uint8_t>>& frames)
{
    std::vector<uint8_t> all;
    for (const auto& frame : frames) {
        all.insert(all.end(), frame.begin(), frame.end());
    }
    return all;
}

std::vector<uint8_t> ReadAll(StackSource* source)
{
    const size_t bytes = static_cast<size_t>(source->info.width) * source->info.height * source->info.frameCount;
    std::vector<uint8_t> all(bytes);
    std::string message;
    EXPECT_EQ(ReadFrames(source, 0, source->info.frameCount, all.data(), &message), CLI_OK) << message;
    return all;
}

// Big-endian words for a hand-made TIFF.
void PutBig16(std::vector<uint8_t>* bytes, uint16_t value)
{
    bytes->push_back(static_cast<uint8_t>(value >> 8));
    bytes->push_back(static_cast<uint8_t>(value & 0xFF));
}

void PutBig32(std::vector<uint8_t>* bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes->push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
}

// ImageJ's layout for stacks beyond 4 GB, in small: one big-endian directory announcing `images` frames
// in its description, then the 16-bit frames back to back; `storedFrames` of them are really there.
void WriteContiguousImageJStack(const std::string& path, uint32_t width, uint32_t height, uint32_t images,
                                uint32_t storedFrames, std::vector<uint16_t>* values)
{
    const std::string description = "ImageJ=1.54f\nimages=" + std::to_string(images) + "\nslices=" +
                                    std::to_string(images) + "\nloop=false\n";
    const uint16_t entryCount = 10;
    const uint32_t descriptionOffset = 8 + 2 + 12 * entryCount + 4;
    const uint32_t dataOffset = descriptionOffset + static_cast<uint32_t>(description.size()) + 1;
    std::vector<uint8_t> bytes = {'M', 'M', 0, 42};
    PutBig32(&bytes, 8);
    PutBig16(&bytes, entryCount);
    const uint32_t entries[10][4] = {
        {256, 4, 1, width},  {257, 4, 1, height},
        {258, 3, 1, 16},     {259, 3, 1, 1},
        {262, 3, 1, 1},      {270, 2, static_cast<uint32_t>(description.size() + 1), descriptionOffset},
        {273, 4, 1, dataOffset}, {277, 3, 1, 1},
        {278, 4, 1, height}, {279, 4, 1, width * height * 2}};
    for (const auto& entry : entries) {
        PutBig16(&bytes, static_cast<uint16_t>(entry[0]));
        PutBig16(&bytes, static_cast<uint16_t>(entry[1]));
        PutBig32(&bytes, entry[2]);
        if (entry[1] == 3) {
            PutBig16(&bytes, static_cast<uint16_t>(entry[3]));
            PutBig16(&bytes, 0);
        } else {
            PutBig32(&bytes, entry[3]);
        }
    }
    PutBig32(&bytes, 0);
    bytes.insert(bytes.end(), description.begin(), description.end());
    bytes.push_back(0);
    values->clear();
    for (uint32_t f = 0; f < storedFrames; ++f) {
        for (uint32_t i = 0; i < width * height; ++i) {
            const auto value = static_cast<uint16_t>((f * 40u + i) * 257u);
            values->push_back(value);
            PutBig16(&bytes, value);
        }
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

void WritePngFrames(const std::string& folder, const std::vector<std::string>& names,
                    const std::vector<std::vector<uint8_t>>& frames, int width, int height)
{
    for (size_t i = 0; i < names.size(); ++i) {
        const cv::Mat frame(height, width, CV_8UC1, const_cast<uint8_t*>(frames[i].data()));
        ASSERT_TRUE(cv::imwrite(folder + "/" + names[i], frame));
    }
}

TEST_F(StackSourceTest, CalibrationComesFromResolutionTagsAndImageJDescription)
{
    struct CalibrationCase {
        const char* what;
        std::string description;
        bool withResolution;
        float resolution;
        uint16_t resolutionUnit;
        double step;
        std::string unit;
    };
    const CalibrationCase cases[] = {
        {"0.5 um as plain centimetre tags", "", true, 20000.0f, RESUNIT_CENTIMETER, 0.00005, "cm"},
        {"0.5 um as ImageJ micron", "ImageJ=1.54f\nimages=3\nslices=3\nunit=micron\nloop=false\n", true, 2.0f,
         RESUNIT_NONE, 0.5, MICROMETRE},
        {"ImageJ escaped micro sign", "ImageJ=1.54f\nimages=3\nunit=\\u00B5m\n", true, 2.0f, RESUNIT_NONE, 0.5,
         MICROMETRE},
        {"ImageJ Latin-1 micro sign", "ImageJ=1.43u\nimages=3\nunit=\xB5m\n", true, 2.0f, RESUNIT_NONE, 0.5, MICROMETRE},
        {"ImageJ unit wins over centimetre tags", "ImageJ=1.54f\nunit=micron\n", true, 2.0f, RESUNIT_CENTIMETER, 0.5,
         MICROMETRE},
        {"plain inch tags", "", true, 25400.0f, RESUNIT_INCH, 1.0 / 25400.0, "inch"},
        {"72 dpi is a drawing program's default", "", true, 72.0f, RESUNIT_INCH, 1.0, ""},
        {"no unit means aspect only", "", true, 2.0f, RESUNIT_NONE, 1.0, ""},
        {"no resolution tags", "ImageJ=1.54f\nunit=micron\n", false, 0.0f, RESUNIT_NONE, 1.0, ""},
        {"ImageJ pixel unit", "ImageJ=1.54f\nunit=pixel\n", true, 2.0f, RESUNIT_NONE, 1.0, ""},
    };
    const auto pages = PatternFrames(3, 6, 5);
    for (const CalibrationCase& c : cases) {
        SCOPED_TRACE(c.what);
        TestTiffLayout layout;
        layout.description = c.description;
        layout.withResolution = c.withResolution;
        layout.xResolution = c.resolution;
        layout.yResolution = c.resolution;
        layout.resolutionUnit = c.resolutionUnit;
        const std::string path = Path("calibrated.tif");
        WriteTestTiff(path, pages, SameSizes(3, 6, 5), layout);
        StackSource source;
        std::string message;
        ASSERT_EQ(OpenTiffStack(path, CONVERT_NONE, &source, &message), CLI_OK) << message;
        EXPECT_EQ(source.info.width, 6);
        EXPECT_EQ(source.info.height, 5);
        EXPECT_EQ(source.info.frameCount, 3);
        EXPECT_EQ(source.info.sampleKind, STACK_SAMPLE_GRAY8);
        EXPECT_NEAR(source.info.calibration.stepX, c.step, c.step * 1e-6);
        EXPECT_NEAR(source.info.calibration.stepY, c.step, c.step * 1e-6);
        EXPECT_EQ(source.info.calibration.unit, c.unit);
        EXPECT_EQ(ReadAll(&source), Concatenate(pages));
        CloseStackSource(&source);
    }
}

TEST_F(StackSourceTest, ImageJDescriptionGivesOriginTimingAndSpacing)
{
    TestTiffLayout layout;
    layout.description = "ImageJ=1.54f\nimages=2\nslices=2\nunit=micron\nspacing=1.5\nfinterval=0.25\n"
                         "xorigin=4\nyorigin=2\nloop=false\n";
    layout.withResolution = true;
    layout.xResolution = 2.0f;
    layout.yResolution = 4.0f;
    WriteTestTiff(Path("timed.tif"), PatternFrames(2, 4, 4), SameSizes(2, 4, 4), layout);
    StackSource source;
    std::string message;
    ASSERT_EQ(OpenTiffStack(Path("timed.tif"), CONVERT_NONE, &source, &message), CLI_OK) << message;
    const StackCalibration& calibration = source.info.calibration;
    EXPECT_DOUBLE_EQ(calibration.stepX, 0.5);
    EXPECT_DOUBLE_EQ(calibration.stepY, 0.25);
    EXPECT_DOUBLE_EQ(calibration.offsetX, -2.0);  // ImageJ's origin is the pixel at coordinate 0
    EXPECT_DOUBLE_EQ(calibration.offsetY, -0.5);
    EXPECT_DOUBLE_EQ(calibration.frameInterval, 0.25);
    EXPECT_EQ(calibration.timeUnit, "sec");
    EXPECT_DOUBLE_EQ(calibration.sliceSpacing, 1.5);
    CloseStackSource(&source);
}

TEST_F(StackSourceTest, ChunkedReadingEqualsReadingAll)
{
    constexpr uint32_t width = 37;  // not a multiple of the tile side, so edge tiles are partial
    constexpr uint32_t height = 23;
    const auto frames = PatternFrames(7, width, height);
    const auto sizes = SameSizes(7, width, height);
    TestTiffLayout strips;
    WriteTestTiff(Path("strips.tif"), frames, sizes, strips);
    TestTiffLayout lzw;
    lzw.compression = COMPRESSION_LZW;
    lzw.rowsPerStrip = 5;
    WriteTestTiff(Path("lzw.tif"), frames, sizes, lzw);
    TestTiffLayout tiles;
    tiles.compression = COMPRESSION_ADOBE_DEFLATE;
    tiles.tileSide = 16;
    WriteTestTiff(Path("tiles.tif"), frames, sizes, tiles);
    std::filesystem::create_directory(Path("png"));
    std::vector<std::string> pngNames;
    for (int i = 0; i < 7; ++i) {
        pngNames.push_back("f" + std::to_string(i) + ".png");
    }
    WritePngFrames(Path("png"), pngNames, frames, width, height);
    std::vector<std::string> tiffList;
    for (int i = 0; i < 7; ++i) {
        tiffList.push_back(Path("single" + std::to_string(i) + ".tif"));
        WriteTestTiff(tiffList.back(), {frames[static_cast<size_t>(i)]}, SameSizes(1, width, height), strips);
    }

    struct Opener {
        const char* what;
        std::function<int32_t(StackSource*, std::string*)> open;
    };
    const Opener openers[] = {
        {"TIFF in one-row strips", [&](StackSource* s, std::string* m) { return OpenTiffStack(Path("strips.tif"), CONVERT_NONE, s, m); }},
        {"TIFF in LZW strips", [&](StackSource* s, std::string* m) { return OpenTiffStack(Path("lzw.tif"), CONVERT_NONE, s, m); }},
        {"TIFF in deflated tiles", [&](StackSource* s, std::string* m) { return OpenTiffStack(Path("tiles.tif"), CONVERT_NONE, s, m); }},
        {"folder of PNG frames", [&](StackSource* s, std::string* m) { return OpenFrameFolder(Path("png"), CONVERT_NONE, s, m); }},
        {"list of TIFF frames", [&](StackSource* s, std::string* m) { return OpenFrameList(tiffList, CONVERT_NONE, s, m); }},
    };
    for (const Opener& opener : openers) {
        SCOPED_TRACE(opener.what);
        StackSource source;
        std::string message;
        ASSERT_EQ(opener.open(&source, &message), CLI_OK) << message;
        ASSERT_EQ(source.info.frameCount, 7);
        const std::vector<uint8_t> all = ReadAll(&source);
        EXPECT_EQ(all, Concatenate(frames));
        // Chunks of three frames overlapping by one, as the program streams them.
        const size_t frameBytes = width * height;
        std::vector<uint8_t> chunk(3 * frameBytes);
        for (int64_t first = 0; first + 1 < 7; first += 2) {
            const int64_t count = std::min<int64_t>(3, 7 - first);
            ASSERT_EQ(ReadFrames(&source, first, count, chunk.data(), &message), CLI_OK) << message;
            EXPECT_TRUE(std::equal(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count * frameBytes),
                                   all.begin() + static_cast<std::ptrdiff_t>(first * frameBytes)))
                << "chunk at frame " << first;
        }
        CloseStackSource(&source);
    }
}

TEST_F(StackSourceTest, ContiguousImageJStackReadsEveryAnnouncedFrame)
{
    std::vector<uint16_t> values;
    WriteContiguousImageJStack(Path("big.tif"), 5, 4, 3, 3, &values);
    StackSource source;
    std::string message;
    ASSERT_EQ(OpenTiffStack(Path("big.tif"), CONVERT_SHIFT, &source, &message), CLI_OK) << message;
    EXPECT_EQ(source.info.frameCount, 3);
    EXPECT_EQ(source.info.sampleKind, STACK_SAMPLE_GRAY16);
    std::vector<uint8_t> frame(20);
    ASSERT_EQ(ReadFrames(&source, 2, 1, frame.data(), &message), CLI_OK) << message;
    for (size_t i = 0; i < frame.size(); ++i) {
        EXPECT_EQ(frame[i], values[40 + i] >> 8);  // big-endian samples were swapped before the shift
    }
    CloseStackSource(&source);
}

TEST_F(StackSourceTest, FolderFramesComeInNaturalOrderWithoutHiddenOrOtherFiles)
{
    const auto frames = PatternFrames(3, 4, 3);
    std::filesystem::create_directory(Path("frames"));
    WritePngFrames(Path("frames"), {"frame1.png", "frame2.PNG", "frame10.png"}, frames, 4, 3);
    WritePngFrames(Path("frames"), {".frame0.png"}, {std::vector<uint8_t>(12, 99)}, 4, 3);
    std::ofstream(Path("frames/notes.txt")) << "not a frame";
    StackSource source;
    std::string message;
    ASSERT_EQ(OpenFrameFolder(Path("frames"), CONVERT_NONE, &source, &message), CLI_OK) << message;
    EXPECT_EQ(ReadAll(&source), Concatenate(frames));
    CloseStackSource(&source);

    struct OrderCase {
        const char* left;
        const char* right;
        bool less;
    };
    const OrderCase orders[] = {{"a2", "a10", true},  {"a10", "a2", false}, {"a2", "a02", true},
                                {"a02", "a2", false}, {"b", "a1", false},   {"x1y2", "x1y10", true},
                                {"a", "a1", true},    {"a1", "a1", false}};
    for (const OrderCase& order : orders) {
        EXPECT_EQ(NaturalNameLess(order.left, order.right), order.less) << order.left << " < " << order.right;
    }
}

TEST_F(StackSourceTest, ConversionModesMapWiderSamplesToEightBits)
{
    // 16-bit: values 5, 1805, ... 63005 over two frames of 3 x 2.
    std::vector<std::vector<uint8_t>> pages;
    std::vector<uint16_t> wide;
    for (int f = 0; f < 2; ++f) {
        std::vector<uint16_t> page;
        for (int i = 0; i < 6; ++i) {
            page.push_back(static_cast<uint16_t>((f * 6 + i) * 5700 + 5));
        }
        wide.insert(wide.end(), page.begin(), page.end());
        pages.push_back(RawBytes(page));
    }
    TestTiffLayout sixteen;
    sixteen.bitsPerSample = 16;
    WriteTestTiff(Path("wide.tif"), pages, SameSizes(2, 3, 2), sixteen);
    struct ModeCase {
        int32_t mode;
        std::function<uint8_t(uint16_t)> expected;
    };
    const double maximum = 11 * 5700 + 5;
    const ModeCase modes[] = {
        {CONVERT_SCALE, [&](uint16_t v) { return static_cast<uint8_t>(std::lround((v - 5.0) * 255.0 / (maximum - 5.0))); }},
        {CONVERT_CLIP, [](uint16_t v) { return static_cast<uint8_t>(std::min<int>(v, 255)); }},
        {CONVERT_SHIFT, [](uint16_t v) { return static_cast<uint8_t>(v >> 8); }},
    };
    for (const ModeCase& mode : modes) {
        SCOPED_TRACE(ConversionModeName(mode.mode));
        StackSource source;
        std::string message;
        ASSERT_EQ(OpenTiffStack(Path("wide.tif"), mode.mode, &source, &message), CLI_OK) << message;
        EXPECT_EQ(source.info.hasValueRange, mode.mode == CONVERT_SCALE);
        const std::vector<uint8_t> all = ReadAll(&source);
        for (size_t i = 0; i < wide.size(); ++i) {
            EXPECT_EQ(all[i], mode.expected(wide[i])) << "value " << wide[i];
        }
        if (mode.mode == CONVERT_SCALE) {
            EXPECT_EQ(source.info.valueMinimum, 5.0);
            EXPECT_EQ(source.info.valueMaximum, maximum);
        }
        CloseStackSource(&source);
    }
}

TEST_F(StackSourceTest, FloatFramesClipOrScaleAndNonFiniteValuesStayDefined)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const std::vector<float> first = {-1.5f, 0.4f, 254.6f, 300.0f};
    const std::vector<float> second = {nan, infinity, -infinity, 127.2f};
    TestTiffLayout floats;
    floats.bitsPerSample = 32;
    floats.sampleFormat = SAMPLEFORMAT_IEEEFP;
    WriteTestTiff(Path("float.tif"), {RawBytes(first), RawBytes(second)}, SameSizes(2, 2, 2), floats);
    StackSource source;
    std::string message;
    ASSERT_EQ(OpenTiffStack(Path("float.tif"), CONVERT_CLIP, &source, &message), CLI_OK) << message;
    EXPECT_EQ(ReadAll(&source), (std::vector<uint8_t>{0, 0, 255, 255, 0, 255, 0, 127}));
    CloseStackSource(&source);
    ASSERT_EQ(OpenTiffStack(Path("float.tif"), CONVERT_SCALE, &source, &message), CLI_OK) << message;
    EXPECT_EQ(source.info.valueMinimum, -1.5);  // infinities are not part of the range
    EXPECT_EQ(source.info.valueMaximum, 300.0);
    const auto scaled = [](double v) { return static_cast<uint8_t>(std::lround((v + 1.5) * 255.0 / 301.5)); };
    EXPECT_EQ(ReadAll(&source), (std::vector<uint8_t>{0, scaled(0.4f), scaled(254.6f), 255, 0, 255, 0, scaled(127.2f)}));
    CloseStackSource(&source);
}

TEST_F(StackSourceTest, ColourFramesBecomeLumaWithOpenCVWeights)
{
    cv::Mat colour(5, 7, CV_8UC3);
    cv::randu(colour, 0, 256);
    cv::Mat wide(5, 7, CV_16UC4);
    cv::randu(wide, 0, 65536);
    const std::vector<uint8_t> colourBytes(colour.datastart, colour.dataend);
    const std::vector<uint8_t> wideBytes(wide.datastart, wide.dataend);
    TestTiffLayout rgb;
    rgb.samplesPerPixel = 3;
    rgb.photometric = PHOTOMETRIC_RGB;
    WriteTestTiff(Path("rgb.tif"), {colourBytes, colourBytes}, SameSizes(2, 7, 5), rgb);
    TestTiffLayout rgba16 = rgb;
    rgba16.samplesPerPixel = 4;
    rgba16.bitsPerSample = 16;
    WriteTestTiff(Path("rgba16.tif"), {wideBytes, wideBytes}, SameSizes(2, 7, 5), rgba16);

    StackSource source;
    std::string message;
    ASSERT_EQ(OpenTiffStack(Path("rgb.tif"), CONVERT_CLIP, &source, &message), CLI_OK) << message;
    EXPECT_EQ(source.info.sampleKind, STACK_SAMPLE_COLOUR8);
    cv::Mat luma;
    cv::cvtColor(colour, luma, cv::COLOR_RGB2GRAY);
    std::vector<uint8_t> expected(luma.datastart, luma.dataend);
    EXPECT_EQ(ReadAll(&source), Concatenate({expected, expected}));
    CloseStackSource(&source);

    ASSERT_EQ(OpenTiffStack(Path("rgba16.tif"), CONVERT_SHIFT, &source, &message), CLI_OK) << message;
    EXPECT_EQ(source.info.sampleKind, STACK_SAMPLE_COLOUR16);
    cv::cvtColor(wide, luma, cv::COLOR_RGBA2GRAY);
    expected.clear();
    for (auto it = luma.begin<uint16_t>(); it != luma.end<uint16_t>(); ++it) {
        expected.push_back(static_cast<uint8_t>(*it >> 8));
    }
    EXPECT_EQ(ReadAll(&source), Concatenate({expected, expected}));
    CloseStackSource(&source);
}

TEST_F(StackSourceTest, EightBitGrayPassesUnchangedWhateverTheMode)
{
    const auto frames = PatternFrames(2, 5, 5);
    WriteTestTiff(Path("gray.tif"), frames, SameSizes(2, 5, 5), TestTiffLayout());
    for (int32_t mode : {CONVERT_SCALE, CONVERT_CLIP, CONVERT_SHIFT}) {
        StackSource source;
        std::string message;
        ASSERT_EQ(OpenTiffStack(Path("gray.tif"), mode, &source, &message), CLI_OK) << message;
        EXPECT_FALSE(source.info.hasValueRange);
        EXPECT_EQ(ReadAll(&source), Concatenate(frames)) << ConversionModeName(mode);
        CloseStackSource(&source);
    }
}

TEST_F(StackSourceTest, BadInputsGiveOneLineErrorsAndWriteNothing)
{
    // Fixtures shared by the cases.
    WriteTestTiff(Path("one.tif"), PatternFrames(1, 4, 4), SameSizes(1, 4, 4), TestTiffLayout());
    WriteTestTiff(Path("mixed.tif"), PatternFrames(2, 4, 4), {{4, 4}, {4, 3}}, TestTiffLayout());
    TestTiffLayout sixteen;
    sixteen.bitsPerSample = 16;
    WriteTestTiff(Path("sixteen.tif"), {std::vector<uint8_t>(32), std::vector<uint8_t>(32)}, SameSizes(2, 4, 4), sixteen);
    TestTiffLayout floats;
    floats.bitsPerSample = 32;
    floats.sampleFormat = SAMPLEFORMAT_IEEEFP;
    WriteTestTiff(Path("float.tif"), {std::vector<uint8_t>(64), std::vector<uint8_t>(64)}, SameSizes(2, 4, 4), floats);
    TestTiffLayout integers = floats;
    integers.sampleFormat = SAMPLEFORMAT_INT;
    WriteTestTiff(Path("int32.tif"), {std::vector<uint8_t>(64), std::vector<uint8_t>(64)}, SameSizes(2, 4, 4), integers);
    TestTiffLayout rgb;
    rgb.samplesPerPixel = 3;
    rgb.photometric = PHOTOMETRIC_RGB;
    WriteTestTiff(Path("rgb.tif"), {std::vector<uint8_t>(48), std::vector<uint8_t>(48)}, SameSizes(2, 4, 4), rgb);
    TestTiffLayout hyperstack;
    hyperstack.description = "ImageJ=1.54f\nimages=4\nchannels=2\nframes=2\nhyperstack=true\n";
    WriteTestTiff(Path("channels.tif"), PatternFrames(4, 4, 4), SameSizes(4, 4, 4), hyperstack);
    std::vector<uint16_t> ignored;
    WriteContiguousImageJStack(Path("truncated.tif"), 4, 4, 10, 2, &ignored);
    std::ofstream(Path("text.tif")) << "these are words, not pixels";
    std::ofstream(Path("cut.tif"), std::ios::binary).write("II*\0\x08\0\0\0\x05\0", 10);
    std::filesystem::create_directory(Path("empty"));
    std::filesystem::create_directory(Path("sizes"));
    WritePngFrames(Path("sizes"), {"a.png"}, PatternFrames(1, 4, 4), 4, 4);
    WritePngFrames(Path("sizes"), {"b.png"}, PatternFrames(1, 4, 3), 4, 3);
    std::filesystem::create_directory(Path("depths"));
    WritePngFrames(Path("depths"), {"a.png"}, PatternFrames(1, 4, 4), 4, 4);
    ASSERT_TRUE(cv::imwrite(Path("depths/b.png"), cv::Mat(4, 4, CV_16UC1, cv::Scalar(1000))));
    WritePngFrames(folder, {"lone.png"}, PatternFrames(1, 4, 4), 4, 4);

    struct BadInput {
        const char* what;
        std::vector<std::string> inputs;
        int32_t conversion;
        int32_t code;
        std::string words;  // a part of the message that tells the user what is wrong
    };
    const BadInput cases[] = {
        {"missing file", {Path("absent.tif")}, CONVERT_NONE, CLI_ERR_NOT_FOUND, "no such file"},
        {"missing frame in a list", {Path("one.tif"), Path("absent.png")}, CONVERT_NONE, CLI_ERR_NOT_FOUND, "absent.png"},
        {"not an image", {Path("text.tif")}, CONVERT_NONE, CLI_ERR_UNSUPPORTED, "neither a TIFF nor a PNG"},
        {"TIFF cut short", {Path("cut.tif")}, CONVERT_NONE, CLI_ERR_READ, "not a readable TIFF"},
        {"one frame", {Path("one.tif")}, CONVERT_NONE, CLI_ERR_TOO_FEW_FRAMES, "1 frame; optical flow needs at least two"},
        {"one PNG", {Path("lone.png")}, CONVERT_NONE, CLI_ERR_TOO_FEW_FRAMES, "at least two"},
        {"empty folder", {Path("empty")}, CONVERT_NONE, CLI_ERR_TOO_FEW_FRAMES, "no PNG or TIFF frames"},
        {"pages of two sizes", {Path("mixed.tif")}, CONVERT_NONE, CLI_ERR_SIZE_MISMATCH, "page 2 is 4 x 3 pixels but page 1 is 4 x 4"},
        {"PNG frames of two sizes", {Path("sizes")}, CONVERT_NONE, CLI_ERR_SIZE_MISMATCH, "4 x 3 pixels, but the first frame a.png"},
        {"PNG frames of two depths", {Path("depths")}, CONVERT_NONE, CLI_ERR_SIZE_MISMATCH, "16-bit grayscale, but the first frame"},
        {"16-bit without conversion", {Path("sixteen.tif")}, CONVERT_NONE, CLI_ERR_NEEDS_CONVERSION, "16-bit grayscale, not 8-bit; choose --convert=scale"},
        {"float without conversion", {Path("float.tif")}, CONVERT_NONE, CLI_ERR_NEEDS_CONVERSION, "32-bit float grayscale, not 8-bit; choose --convert=scale"},
        {"float with shift", {Path("float.tif")}, CONVERT_SHIFT, CLI_ERR_ARGUMENT, "--convert=shift takes the top 8 bits of 16-bit"},
        {"colour without conversion", {Path("rgb.tif")}, CONVERT_NONE, CLI_ERR_NEEDS_CONVERSION, "8-bit colour, not 8-bit grayscale; add --convert="},
        {"32-bit integers", {Path("int32.tif")}, CONVERT_CLIP, CLI_ERR_UNSUPPORTED, "32-bit signed integer samples are not supported"},
        {"multi-page file in a list", {Path("one.tif"), Path("mixed.tif")}, CONVERT_NONE, CLI_ERR_UNSUPPORTED, "holds 2 pages"},
        {"ImageJ channels", {Path("channels.tif")}, CONVERT_NONE, CLI_ERR_UNSUPPORTED, "2 channels"},
        {"ImageJ stack cut short", {Path("truncated.tif")}, CONVERT_SHIFT, CLI_ERR_READ, "announces 10 frames but the file holds 2"},
    };
    const std::vector<std::string> before = Names();
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.what);
        StackSource source;
        std::string message;
        EXPECT_EQ(OpenStackSource(c.inputs, c.conversion, &source, &message), c.code) << message;
        EXPECT_NE(message.find(c.words), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_EQ(source.kind, 0);  // nothing stays open
        EXPECT_EQ(source.tiff, nullptr);
    }
    EXPECT_EQ(Names(), before);
}

TEST_F(StackSourceTest, FrameRangesOutsideTheStackAreRefused)
{
    WriteTestTiff(Path("three.tif"), PatternFrames(3, 4, 4), SameSizes(3, 4, 4), TestTiffLayout());
    StackSource source;
    std::string message;
    ASSERT_EQ(OpenTiffStack(Path("three.tif"), CONVERT_NONE, &source, &message), CLI_OK) << message;
    std::vector<uint8_t> buffer(4 * 16);
    const std::pair<int64_t, int64_t> ranges[] = {{-1, 1}, {0, 4}, {2, 2}, {3, 1}, {1, -1},
                                                  {1, std::numeric_limits<int64_t>::max()}};
    for (const auto& [first, count] : ranges) {
        EXPECT_EQ(ReadFrames(&source, first, count, buffer.data(), &message), CLI_ERR_ARGUMENT) << first << "+" << count;
    }
    EXPECT_EQ(ReadFrames(&source, 3, 0, buffer.data(), &message), CLI_OK);  // an empty range at the end is fine
    CloseStackSource(&source);
    EXPECT_EQ(ReadFrames(&source, 0, 1, buffer.data(), &message), CLI_ERR_ARGUMENT);
}

TEST_F(StackSourceTest, NoInputOpensTheCalibratedSampleStack)
{
    StackSource source;
    std::string message;
    ASSERT_EQ(OpenStackSource({}, CONVERT_NONE, &source, &message), CLI_OK) << message;
    EXPECT_EQ(source.kind, STACK_SOURCE_SAMPLE);
    EXPECT_EQ(source.info.width, 320);
    EXPECT_EQ(source.info.height, 240);
    EXPECT_EQ(source.info.frameCount, 8);
    EXPECT_EQ(source.info.calibration.unit, MICROMETRE);
    EXPECT_DOUBLE_EQ(source.info.calibration.stepX, 0.5);
    std::vector<uint8_t> all(320 * 240 * 8);
    std::vector<uint8_t> rendered(all.size());
    ASSERT_EQ(ReadFrames(&source, 0, 8, all.data(), &message), CLI_OK);
    ASSERT_EQ(RenderSampleFrames(SampleStackSettings(), 0, 8, rendered.data(), &message), CLI_OK);
    EXPECT_EQ(all, rendered);
    CloseStackSource(&source);
}

}  // namespace
