// Tests of the built-in sample stack: exact rendering, known displacement, and flow methods agreeing.
#include "cli/sample_stack.h"

#include <opencv2/video.hpp>

#include "cli/cli_errors.h"
#include "cli/flow_statistics.h"
#include "cli_test_support.h"

namespace {

struct MeasuredPair {
    cv::Mat x;
    cv::Mat y;
};

std::vector<uint8_t> RenderAll(const SampleStackSettings& settings)
{
    std::vector<uint8_t> frames(static_cast<size_t>(settings.width) * settings.height * settings.frameCount);
    std::string message;
    EXPECT_EQ(RenderSampleFrames(settings, 0, settings.frameCount, frames.data(), &message), CLI_OK) << message;
    return frames;
}

cv::Mat FrameMat(const SampleStackSettings& settings, std::vector<uint8_t>* frames, int index)
{
    const size_t frameBytes = static_cast<size_t>(settings.width) * settings.height;
    return cv::Mat(settings.height, settings.width, CV_8UC1, frames->data() + frameBytes * static_cast<size_t>(index));
}

MeasuredPair SplitFlow(const cv::Mat& flow)
{
    std::vector<cv::Mat> planes;
    cv::split(flow, planes);
    return {planes[0], planes[1]};
}

// Compare a measured pair with the sample's truth away from the border, where content enters the view.
EndpointErrorStats CompareWithTruth(const SampleStackSettings& settings, const MeasuredPair& measured, int pair)
{
    const size_t count = static_cast<size_t>(settings.width) * settings.height;
    std::vector<float> trueX(count), trueY(count);
    std::string message;
    EXPECT_EQ(GetSampleTrueDisplacement(settings, pair, true, trueX.data(), trueY.data(), &message), CLI_OK);
    EndpointErrorStats stats;
    EXPECT_EQ(ComputeEndpointError(measured.x.ptr<float>(), measured.y.ptr<float>(), trueX.data(), trueY.data(),
                                   settings.width, settings.height, 16, &stats, &message),
              CLI_OK);
    return stats;
}

TEST(SampleStackTest, FarnebackMeasuresTheKnownDisplacement)
{
    const SampleStackSettings settings;
    std::vector<uint8_t> frames = RenderAll(settings);
    for (int pair : {0, 3, settings.frameCount - 2}) {
        SCOPED_TRACE(pair);
        cv::Mat flow;
        cv::calcOpticalFlowFarneback(FrameMat(settings, &frames, pair), FrameMat(settings, &frames, pair + 1), flow,
                                     0.5, 3, 15, 3, 5, 1.2, 0);
        const MeasuredPair measured = SplitFlow(flow);
        const EndpointErrorStats error = CompareWithTruth(settings, measured, pair);
        EXPECT_LT(error.meanError, 0.05);
        EXPECT_GT(error.count, 250 * 180);
        DisplacementStats stats;
        std::string message;
        ASSERT_EQ(ComputeDisplacementStats(measured.x.ptr<float>(), measured.y.ptr<float>(),
                                           static_cast<int64_t>(measured.x.total()), &stats, &message),
                  CLI_OK);
        EXPECT_NEAR(stats.meanX, 0.75, 0.03);
        EXPECT_NEAR(stats.meanY, -0.4, 0.03);
    }
}

TEST(SampleStackTest, DisMeasuresTheKnownDisplacement)
{
    const SampleStackSettings settings;
    std::vector<uint8_t> frames = RenderAll(settings);
    cv::Ptr<cv::DISOpticalFlow> dis = cv::DISOpticalFlow::create(cv::DISOpticalFlow::PRESET_MEDIUM);
    cv::Mat flow;
    dis->calc(FrameMat(settings, &frames, 2), FrameMat(settings, &frames, 3), flow);
    const EndpointErrorStats error = CompareWithTruth(settings, SplitFlow(flow), 2);
    EXPECT_LT(error.meanError, 0.1);
}

TEST(SampleStackTest, FramesAreExactSamplesOfOneMovingScene)
{
    // A whole-pixel shift makes frame t + 1 exactly frame t moved, which interpolation would not give.
    SampleStackSettings settings;
    settings.width = 40;
    settings.height = 30;
    settings.frameCount = 3;
    settings.shiftX = 2.0;
    settings.shiftY = -1.0;
    std::vector<uint8_t> frames = RenderAll(settings);
    const cv::Mat first = FrameMat(settings, &frames, 0);
    const cv::Mat second = FrameMat(settings, &frames, 1);
    for (int y = 0; y < 29; ++y) {
        for (int x = 0; x < 38; ++x) {
            ASSERT_EQ(second.at<uint8_t>(y, x + 2), first.at<uint8_t>(y + 1, x)) << x << "," << y;
        }
    }
    // Textured: a wide spread of grey levels, little clipping.
    cv::Scalar mean, deviation;
    cv::meanStdDev(first, mean, deviation);
    EXPECT_NEAR(mean[0], 127.5, 15.0);
    EXPECT_GT(deviation[0], 25.0);

    // Rendering a range gives the same frames as rendering all; the same settings give the same scene.
    std::vector<uint8_t> last(40 * 30);
    std::string message;
    ASSERT_EQ(RenderSampleFrames(settings, 2, 1, last.data(), &message), CLI_OK);
    EXPECT_TRUE(std::equal(last.begin(), last.end(), frames.begin() + 2 * 40 * 30));
    EXPECT_EQ(RenderAll(settings), frames);
    settings.seed += 1;
    EXPECT_NE(RenderAll(settings), frames);
}

TEST(SampleStackTest, TrueDisplacementComesInPixelsOrMicrometres)
{
    const SampleStackSettings settings;
    const size_t count = static_cast<size_t>(settings.width) * settings.height;
    std::vector<float> x(count), y(count);
    std::string message;
    ASSERT_EQ(GetSampleTrueDisplacement(settings, 0, false, x.data(), y.data(), &message), CLI_OK);
    EXPECT_FLOAT_EQ(x.front(), 0.375f);
    EXPECT_FLOAT_EQ(y.back(), -0.2f);
    ASSERT_EQ(GetSampleTrueDisplacement(settings, 6, true, x.data(), y.data(), &message), CLI_OK);
    EXPECT_FLOAT_EQ(x.back(), 0.75f);
    EXPECT_EQ(GetSampleTrueDisplacement(settings, 7, true, x.data(), y.data(), &message), CLI_ERR_ARGUMENT);
    EXPECT_EQ(GetSampleTrueDisplacement(settings, -1, true, x.data(), y.data(), &message), CLI_ERR_ARGUMENT);
    const StackCalibration calibration = SampleStackCalibration(settings);
    EXPECT_DOUBLE_EQ(calibration.stepX, 0.5);
    EXPECT_EQ(calibration.unit, "\xC2\xB5m");
}

TEST(SampleStackTest, UnusableSettingsAndRangesAreRefused)
{
    struct BadSettings {
        const char* what;
        SampleStackSettings settings;
    };
    std::vector<BadSettings> cases(5);
    cases[0] = {"tiny", {}};
    cases[0].settings.width = 4;
    cases[1] = {"one frame", {}};
    cases[1].settings.frameCount = 1;
    cases[2] = {"shift not finite", {}};
    cases[2].settings.shiftX = std::numeric_limits<double>::quiet_NaN();
    cases[3] = {"shift too large", {}};
    cases[3].settings.shiftY = -40.0;
    cases[4] = {"no pixel size", {}};
    cases[4].settings.pixelSize = 0.0;
    std::vector<uint8_t> frame(8192);
    std::string message;
    for (const BadSettings& c : cases) {
        EXPECT_EQ(CheckSampleStackSettings(c.settings, &message), CLI_ERR_ARGUMENT) << c.what;
    }
    SampleStackSettings small;
    small.width = 8;
    small.height = 8;
    EXPECT_EQ(RenderSampleFrames(small, 7, 2, frame.data(), &message), CLI_ERR_ARGUMENT);
    EXPECT_EQ(RenderSampleFrames(small, -1, 1, frame.data(), &message), CLI_ERR_ARGUMENT);
}

}  // namespace
