// Tests of the float TIFF writer: pages, calibration tags, ImageJ description, nothing half-written.
#include "cli/float_tiff_writer.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "cli/cli_errors.h"
#include "cli/stack_source.h"
#include "cli_test_support.h"

namespace {

using FloatTiffWriterTest = ScratchFolder;

std::vector<float> PageValues(int page, int width, int height)
{
    std::vector<float> values;
    for (int i = 0; i < width * height; ++i) {
        values.push_back(static_cast<float>(page) * 100.0f + static_cast<float>(i) * 0.25f - 3.0f);
    }
    return values;
}

StackCalibration HalfMicrometre()
{
    StackCalibration calibration;
    calibration.stepX = 0.5;
    calibration.stepY = 0.5;
    calibration.unit = "\xC2\xB5m";
    calibration.frameInterval = 2.0;
    calibration.timeUnit = "sec";
    return calibration;
}

TEST_F(FloatTiffWriterTest, PagesAndCalibrationReadBackWithLibtiff)
{
    constexpr int width = 7;
    constexpr int height = 5;
    FloatTiffWriter writer;
    std::string message;
    ASSERT_EQ(OpenFloatTiffWriter(Path("X.tif"), width, height, 3, HalfMicrometre(), "\xC2\xB5m", &writer, &message),
              CLI_OK)
        << message;
    // Two chunks, as the program appends them: pages 0-1, then page 2.
    std::vector<float> firstChunk = PageValues(0, width, height);
    const std::vector<float> second = PageValues(1, width, height);
    firstChunk.insert(firstChunk.end(), second.begin(), second.end());
    ASSERT_EQ(AppendPages(&writer, firstChunk.data(), 2, &message), CLI_OK) << message;
    EXPECT_FALSE(std::filesystem::exists(Path("X.tif")));  // the name appears only when complete
    ASSERT_EQ(AppendPages(&writer, PageValues(2, width, height).data(), 1, &message), CLI_OK) << message;
    ASSERT_EQ(CloseFloatTiffWriter(&writer, &message), CLI_OK) << message;
    EXPECT_EQ(Names(), std::vector<std::string>{"X.tif"});

    TIFF* tiff = TIFFOpen(Path("X.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    EXPECT_EQ(TIFFNumberOfDirectories(tiff), 3);
    uint64_t firstStrip = 0;
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        ASSERT_TRUE(TIFFSetDirectory(tiff, static_cast<tdir_t>(page)));
        uint32_t w = 0, h = 0;
        uint16_t bits = 0, format = 0, samples = 0, unit = 0;
        float xResolution = 0, yResolution = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
        TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        EXPECT_EQ(w, static_cast<uint32_t>(width));
        EXPECT_EQ(h, static_cast<uint32_t>(height));
        EXPECT_EQ(bits, 32);
        EXPECT_EQ(format, SAMPLEFORMAT_IEEEFP);
        EXPECT_EQ(samples, 1);
        ASSERT_TRUE(TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xResolution));
        ASSERT_TRUE(TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yResolution));
        ASSERT_TRUE(TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit));
        EXPECT_FLOAT_EQ(xResolution, 2.0f);  // pixels per micrometre
        EXPECT_FLOAT_EQ(yResolution, 2.0f);
        EXPECT_EQ(unit, RESUNIT_NONE);
        std::vector<float> read(width * height);
        ASSERT_EQ(TIFFReadEncodedStrip(tiff, 0, read.data(), static_cast<tmsize_t>(read.size() * 4)),
                  static_cast<tmsize_t>(read.size() * 4));
        EXPECT_EQ(read, PageValues(page, width, height));
        // ImageJ reads a stack from the first page's offset on, so the pages must lie back to back.
        uint64_t* offsets = nullptr;
        ASSERT_TRUE(TIFFGetField(tiff, TIFFTAG_STRIPOFFSETS, &offsets));
        if (page == 0) {
            firstStrip = offsets[0];
        }
        EXPECT_EQ(offsets[0], firstStrip + static_cast<uint64_t>(page) * width * height * 4);
    }
    ASSERT_TRUE(TIFFSetDirectory(tiff, 0));
    char* description = nullptr;
    ASSERT_TRUE(TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description));
    EXPECT_STREQ(description,
                 "ImageJ=1.11a\nimages=3\nslices=3\nunit=micron\nfinterval=2\ntunit=sec\nvunit=micron\nloop=false\n");
    TIFFClose(tiff);

    // The stack reader takes the same calibration back.
    StackSource source;
    ASSERT_EQ(OpenTiffStack(Path("X.tif"), CONVERT_CLIP, &source, &message), CLI_OK) << message;
    EXPECT_EQ(source.info.frameCount, 3);
    EXPECT_EQ(source.info.sampleKind, STACK_SAMPLE_FLOAT32);
    EXPECT_DOUBLE_EQ(source.info.calibration.stepX, 0.5);
    EXPECT_EQ(source.info.calibration.unit, "\xC2\xB5m");
    EXPECT_DOUBLE_EQ(source.info.calibration.frameInterval, 2.0);
    CloseStackSource(&source);
}

TEST_F(FloatTiffWriterTest, UnitsChooseTheResolutionUnit)
{
    struct UnitCase {
        std::string unit;
        uint16_t resolutionUnit;
        bool tagged;
    };
    const UnitCase cases[] = {{"cm", RESUNIT_CENTIMETER, true}, {"inch", RESUNIT_INCH, true},
                              {"nm", RESUNIT_NONE, true},       {"", RESUNIT_NONE, false}};
    for (const UnitCase& c : cases) {
        SCOPED_TRACE(c.unit);
        StackCalibration calibration;
        calibration.stepX = 0.25;
        calibration.stepY = 0.125;
        calibration.unit = c.unit;
        FloatTiffWriter writer;
        std::string message;
        ASSERT_EQ(OpenFloatTiffWriter(Path("u.tif"), 2, 2, 1, calibration, "", &writer, &message), CLI_OK);
        const std::vector<float> page(4, 1.0f);
        ASSERT_EQ(AppendPages(&writer, page.data(), 1, &message), CLI_OK);
        ASSERT_EQ(CloseFloatTiffWriter(&writer, &message), CLI_OK) << message;
        TIFF* tiff = TIFFOpen(Path("u.tif").c_str(), "r");
        ASSERT_NE(tiff, nullptr);
        float xResolution = 0, yResolution = 0;
        uint16_t unit = 0;
        EXPECT_EQ(TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xResolution) != 0, c.tagged);
        if (c.tagged) {
            TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yResolution);
            TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
            EXPECT_FLOAT_EQ(xResolution, 4.0f);
            EXPECT_FLOAT_EQ(yResolution, 8.0f);
            EXPECT_EQ(unit, c.resolutionUnit);
        }
        TIFFClose(tiff);
    }
}

TEST_F(FloatTiffWriterTest, UnfinishedOrAbortedFilesLeaveNothingBehind)
{
    const std::vector<float> page(6, 0.5f);
    std::string message;
    FloatTiffWriter writer;

    ASSERT_EQ(OpenFloatTiffWriter(Path("aborted.tif"), 3, 2, 2, StackCalibration(), "", &writer, &message), CLI_OK);
    ASSERT_EQ(AppendPages(&writer, page.data(), 1, &message), CLI_OK);
    EXPECT_EQ(Names().size(), 1u);  // the hidden temporary file
    AbortFloatTiffWriter(&writer);
    EXPECT_TRUE(Names().empty());

    ASSERT_EQ(OpenFloatTiffWriter(Path("short.tif"), 3, 2, 2, StackCalibration(), "", &writer, &message), CLI_OK);
    ASSERT_EQ(AppendPages(&writer, page.data(), 1, &message), CLI_OK);
    EXPECT_EQ(CloseFloatTiffWriter(&writer, &message), CLI_ERR_ARGUMENT);
    EXPECT_NE(message.find("only 1 of 2 pages"), std::string::npos) << message;
    EXPECT_TRUE(Names().empty());

    ASSERT_EQ(OpenFloatTiffWriter(Path("long.tif"), 3, 2, 1, StackCalibration(), "", &writer, &message), CLI_OK);
    EXPECT_EQ(AppendPages(&writer, page.data(), 2, &message), CLI_ERR_ARGUMENT);
    AbortFloatTiffWriter(&writer);
    EXPECT_TRUE(Names().empty());

    EXPECT_EQ(OpenFloatTiffWriter(Path("absent/x.tif"), 3, 2, 1, StackCalibration(), "", &writer, &message),
              CLI_ERR_WRITE);
    EXPECT_NE(message.find("cannot be created"), std::string::npos) << message;
    EXPECT_EQ(OpenFloatTiffWriter(Path("empty.tif"), 0, 2, 1, StackCalibration(), "", &writer, &message),
              CLI_ERR_ARGUMENT);
    EXPECT_TRUE(Names().empty());
    AbortFloatTiffWriter(&writer);  // harmless on a writer that never opened
}

TEST_F(FloatTiffWriterTest, AnOlderFileIsReplacedOnlyWhenTheNewOneIsComplete)
{
    std::ofstream(Path("X.tif")) << "older results";
    FloatTiffWriter writer;
    std::string message;
    ASSERT_EQ(OpenFloatTiffWriter(Path("X.tif"), 2, 2, 1, StackCalibration(), "", &writer, &message), CLI_OK);
    AbortFloatTiffWriter(&writer);
    EXPECT_EQ(std::filesystem::file_size(Path("X.tif")), 13u);
    ASSERT_EQ(OpenFloatTiffWriter(Path("X.tif"), 2, 2, 1, StackCalibration(), "", &writer, &message), CLI_OK);
    const std::vector<float> page(4, 1.0f);
    ASSERT_EQ(AppendPages(&writer, page.data(), 1, &message), CLI_OK);
    ASSERT_EQ(CloseFloatTiffWriter(&writer, &message), CLI_OK);
    EXPECT_GT(std::filesystem::file_size(Path("X.tif")), 16u);
    EXPECT_EQ(Names(), std::vector<std::string>{"X.tif"});
}

TEST(ApproximateRationalTest, FractionsFitTiffRationals)
{
    struct RationalCase {
        double value;
        uint32_t numerator;
        uint32_t denominator;
    };
    const RationalCase cases[] = {{2.0, 2, 1},       {20000.0, 20000, 1}, {0.5, 1, 2},
                                  {1.0 / 3.0, 1, 3}, {1.0 / 0.3, 10, 3},  {0.1, 1, 10},
                                  {1e12, 4294967295u, 1}, {1e-12, 1, 4294967295u}};
    for (const RationalCase& c : cases) {
        uint32_t numerator = 0, denominator = 0;
        ASSERT_TRUE(ApproximateRational(c.value, &numerator, &denominator)) << c.value;
        EXPECT_EQ(numerator, c.numerator) << c.value;
        EXPECT_EQ(denominator, c.denominator) << c.value;
    }
    uint32_t numerator = 0, denominator = 0;
    ASSERT_TRUE(ApproximateRational(std::sqrt(2.0), &numerator, &denominator));
    EXPECT_NEAR(static_cast<double>(numerator) / denominator, std::sqrt(2.0), 1e-15);
    for (double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(ApproximateRational(bad, &numerator, &denominator)) << bad;
    }
}

}  // namespace
