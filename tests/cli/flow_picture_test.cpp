// Tests of the flow picture: colour-wheel directions, legend, montage layout, PNG output.
#include "cli/flow_picture.h"

#include <cmath>
#include <limits>

#include <opencv2/imgcodecs.hpp>

#include "cli/cli_errors.h"
#include "cli_test_support.h"

namespace {

using FlowPictureTest = ScratchFolder;

// Blue, green, red as OpenCV stores them.
testing::AssertionResult IsColour(cv::Vec3b colour, int blue, int green, int red)
{
    if (colour == cv::Vec3b(static_cast<uint8_t>(blue), static_cast<uint8_t>(green), static_cast<uint8_t>(red))) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "got BGR " << colour;
}

TEST(FlowColourTest, HueTellsDirectionAndSaturationTellsLength)
{
    EXPECT_TRUE(IsColour(FlowColour(0.0, 0.0), 255, 255, 255));  // no motion is white
    EXPECT_TRUE(IsColour(FlowColour(1.0, 0.0), 0, 0, 255));      // right (x +) is red
    EXPECT_TRUE(IsColour(FlowColour(0.5, 0.0), 128, 128, 255));  // half the length: half saturated
    EXPECT_TRUE(IsColour(FlowColour(2.0, 0.0), 0, 0, 191));      // beyond full colour: darker
    EXPECT_TRUE(IsColour(FlowColour(std::numeric_limits<double>::quiet_NaN(), 0.0), 0, 0, 0));
    // Down (y +, rows increase downward) is orange-yellow, left cyan-blue, up blue-violet.
    const cv::Vec3b down = FlowColour(0.0, 1.0);
    EXPECT_EQ(down[2], 255);
    EXPECT_GT(down[1], 200);
    EXPECT_EQ(down[0], 0);
    const cv::Vec3b left = FlowColour(-1.0, 0.0);
    EXPECT_EQ(left[0], 255);
    EXPECT_EQ(left[2], 0);
    const cv::Vec3b up = FlowColour(0.0, -1.0);
    EXPECT_EQ(up[0], 255);
    EXPECT_EQ(up[1], 0);
    EXPECT_GT(up[2], 0);
    // The wheel has no seam: directions just either side of "right" look alike.
    const cv::Vec3b above = FlowColour(std::cos(0.01), -std::sin(0.01));
    const cv::Vec3b below = FlowColour(std::cos(0.01), std::sin(0.01));
    EXPECT_LE(cv::norm(cv::Vec3d(above) - cv::Vec3d(below)), 12.0);
}

TEST_F(FlowPictureTest, MontageLabelsEachPairAndScalesToTheLongestVector)
{
    constexpr int width = 48;
    constexpr int height = 32;
    // Five pairs moving right with lengths 1 .. 5: one common scale, so only the last is fully saturated.
    std::vector<std::vector<float>> xs, ys;
    std::vector<FlowPicturePair> pairs;
    for (int p = 0; p < 5; ++p) {
        xs.emplace_back(width * height, static_cast<float>(p + 1));
        ys.emplace_back(width * height, 0.0f);
    }
    for (int p = 0; p < 5; ++p) {
        pairs.push_back({xs[p].data(), ys[p].data(), p + 10});
    }
    FlowPictureOptions options;
    options.unit = "\xC2\xB5m";
    cv::Mat picture;
    double used = 0.0;
    std::string message;
    ASSERT_EQ(RenderFlowPicture(pairs, width, height, options, &picture, &used, &message), CLI_OK) << message;
    EXPECT_DOUBLE_EQ(used, 5.0);
    // Three columns and two rows of labelled tiles beside a legend that needs more height than they do.
    EXPECT_EQ(picture.cols, 6 + 3 * (width + 6) + 210);
    EXPECT_EQ(picture.rows, 360);
    const auto tileCentre = [&](int index) {
        return picture.at<cv::Vec3b>(6 + (index / 3) * (22 + height + 6) + 22 + height / 2,
                                     6 + (index % 3) * (width + 6) + width / 2);
    };
    EXPECT_TRUE(IsColour(tileCentre(4), 0, 0, 255));
    EXPECT_TRUE(IsColour(tileCentre(0), FlowColour(0.2, 0.0)[0], FlowColour(0.2, 0.0)[1], 255));

    // The PNG holds the same picture; nothing else is left in the folder.
    ASSERT_EQ(WriteFlowPicture(Path("flow.png"), pairs, width, height, options, &used, &message), CLI_OK) << message;
    const cv::Mat read = cv::imread(Path("flow.png"), cv::IMREAD_UNCHANGED);
    ASSERT_EQ(read.type(), CV_8UC3);
    EXPECT_EQ(cv::norm(read, picture, cv::NORM_INF), 0.0);
    EXPECT_EQ(Names(), std::vector<std::string>{"flow.png"});
}

TEST_F(FlowPictureTest, GivenScaleAndTileLimitAreHonoured)
{
    constexpr int width = 400;
    constexpr int height = 100;
    std::vector<float> x(width * height, 0.0f), y(width * height, 3.0f);
    FlowPictureOptions options;
    options.maxMagnitude = 3.0;
    options.maxTileSide = 200;
    cv::Mat picture;
    double used = 0.0;
    std::string message;
    ASSERT_EQ(RenderFlowPicture({{x.data(), y.data(), 0}}, width, height, options, &picture, &used, &message), CLI_OK);
    EXPECT_DOUBLE_EQ(used, 3.0);
    EXPECT_EQ(picture.cols, 6 + 200 + 6 + 210);
    EXPECT_TRUE(IsColour(picture.at<cv::Vec3b>(6 + 22 + 25, 6 + 100), FlowColour(0.0, 1.0)[0], FlowColour(0.0, 1.0)[1],
                         FlowColour(0.0, 1.0)[2]));

    std::vector<float> still(width * height, 0.0f);
    ASSERT_EQ(RenderFlowPicture({{still.data(), still.data(), 0}}, width, height, FlowPictureOptions(), &picture, &used,
                                &message),
              CLI_OK);
    EXPECT_DOUBLE_EQ(used, 1.0);  // no motion: any scale shows white
    EXPECT_EQ(RenderFlowPicture({}, width, height, options, &picture, &used, &message), CLI_ERR_ARGUMENT);
    EXPECT_EQ(RenderFlowPicture({{nullptr, y.data(), 0}}, width, height, options, &picture, &used, &message),
              CLI_ERR_ARGUMENT);
    EXPECT_EQ(WriteFlowPicture(Path("absent/flow.png"), {{x.data(), y.data(), 0}}, width, height, options, &used,
                               &message),
              CLI_ERR_WRITE);
}

}  // namespace
