// Tests of the ImageJ description: parsing, unit spellings, writing.
#include "cli/imagej_description.h"

#include "cli_test_support.h"

namespace {

const std::string MICROMETRE = "\xC2\xB5m";

TEST(ImageJDescriptionTest, KeysAreReadAndOthersIgnored)
{
    ImageJDescription parsed;
    ASSERT_TRUE(ParseImageJDescription("ImageJ=1.54f\nimages=12\nchannels=1\nslices=3\nframes=4\nhyperstack=true\n"
                                       "unit=micron\nspacing=0.7\nfinterval=1.5\ntunit=min\nxorigin=2.5\n"
                                       "yorigin=oops\nmin=0.0\nmax=255.0\n",
                                       &parsed));
    EXPECT_EQ(parsed.images, 12);
    EXPECT_EQ(parsed.channels, 1);
    EXPECT_EQ(parsed.slices, 3);
    EXPECT_EQ(parsed.frames, 4);
    EXPECT_EQ(parsed.unit, MICROMETRE);
    EXPECT_DOUBLE_EQ(parsed.spacing, 0.7);
    EXPECT_DOUBLE_EQ(parsed.frameInterval, 1.5);
    EXPECT_EQ(parsed.timeUnit, "min");
    EXPECT_TRUE(parsed.hasOrigin);
    EXPECT_DOUBLE_EQ(parsed.xOrigin, 2.5);
    EXPECT_DOUBLE_EQ(parsed.yOrigin, 0.0);  // a malformed value is ignored
    EXPECT_FALSE(ParseImageJDescription("<?xml version=\"1.0\"?><OME/>", &parsed));
    EXPECT_FALSE(ParseImageJDescription("images=3\n", &parsed));
}

TEST(ImageJDescriptionTest, UnitSpellingsAreNormalised)
{
    const std::pair<std::string, std::string> cases[] = {
        {"micron", MICROMETRE},  {"Microns", MICROMETRE}, {"um", MICROMETRE},   {"\\u00B5m", MICROMETRE},
        {"\xB5m", MICROMETRE},   {MICROMETRE, MICROMETRE}, {"\xCE\xBCm", MICROMETRE}, {" micron\r", MICROMETRE},
        {"pixel", ""},           {"pixels", ""},           {"nm", "nm"},        {"\\u00C5", "\xC3\x85"},
        {"mm", "mm"},
    };
    for (const auto& [raw, normalised] : cases) {
        EXPECT_EQ(NormaliseUnitText(raw), normalised) << raw;
    }
    EXPECT_EQ(EncodeImageJUnit(MICROMETRE), "micron");
    EXPECT_EQ(EncodeImageJUnit("\xC3\x85"), "\\u00C5");
    EXPECT_EQ(EncodeImageJUnit("nm"), "nm");
    EXPECT_EQ(EncodeImageJUnit("a\nb"), "a?b");  // a line break would end the line early
}

TEST(ImageJDescriptionTest, WrittenDescriptionsReadBack)
{
    StackCalibration calibration;
    calibration.stepX = 0.5;
    calibration.stepY = 0.25;
    calibration.offsetX = -1.0;
    calibration.offsetY = 0.0;
    calibration.unit = MICROMETRE;
    calibration.frameInterval = 0.1;
    calibration.timeUnit = "sec";
    calibration.sliceSpacing = 2.0;
    const std::string text = FormatImageJDescription(7, calibration, "pixel");
    EXPECT_EQ(text, "ImageJ=1.11a\nimages=7\nslices=7\nunit=micron\nspacing=2\nfinterval=0.1\ntunit=sec\n"
                    "xorigin=2\nyorigin=0\nvunit=pixel\nloop=false\n");
    ImageJDescription parsed;
    ASSERT_TRUE(ParseImageJDescription(text, &parsed));
    EXPECT_EQ(parsed.images, 7);
    EXPECT_EQ(parsed.unit, MICROMETRE);
    EXPECT_DOUBLE_EQ(parsed.frameInterval, 0.1);
    EXPECT_DOUBLE_EQ(parsed.xOrigin, 2.0);
    // One page is not a stack; no unit, no unit line.
    EXPECT_EQ(FormatImageJDescription(1, StackCalibration(), ""), "ImageJ=1.11a\nloop=false\n");
}

}  // namespace
