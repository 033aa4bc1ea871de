// Tests of the displacement summaries.
#include "cli/flow_statistics.h"

#include <cmath>
#include <limits>

#include "cli/cli_errors.h"
#include "cli_test_support.h"

namespace {

const float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();

TEST(FlowStatisticsTest, MeansAndMaximumLeaveOutNonFiniteVectors)
{
    const std::vector<float> x = {3.0f, -1.0f, NOT_A_NUMBER, 0.0f};
    const std::vector<float> y = {4.0f, 0.0f, 1.0f, std::numeric_limits<float>::infinity()};
    DisplacementStats stats;
    std::string message;
    ASSERT_EQ(ComputeDisplacementStats(x.data(), y.data(), 4, &stats, &message), CLI_OK);
    EXPECT_EQ(stats.finiteCount, 2);
    EXPECT_DOUBLE_EQ(stats.meanX, 1.0);
    EXPECT_DOUBLE_EQ(stats.meanY, 2.0);
    EXPECT_DOUBLE_EQ(stats.meanMagnitude, 3.0);
    EXPECT_DOUBLE_EQ(stats.maxMagnitude, 5.0);
    ASSERT_EQ(ComputeDisplacementStats(nullptr, nullptr, 0, &stats, &message), CLI_OK);
    EXPECT_EQ(stats.finiteCount, 0);
    EXPECT_EQ(ComputeDisplacementStats(x.data(), y.data(), -1, &stats, &message), CLI_ERR_ARGUMENT);
}

TEST(FlowStatisticsTest, EndpointErrorSkipsTheMargin)
{
    // 5 x 4 field, true flow (1, 0); the border is badly wrong, the inside off by (0, 0.5) and one 3-4-5 outlier.
    constexpr int width = 5;
    constexpr int height = 4;
    std::vector<float> x(width * height, 9.0f), y(width * height, 9.0f);
    const std::vector<float> trueX(width * height, 1.0f), trueY(width * height, 0.0f);
    for (int row = 1; row < 3; ++row) {
        for (int column = 1; column < 4; ++column) {
            x[row * width + column] = 1.0f;
            y[row * width + column] = 0.5f;
        }
    }
    x[1 * width + 2] = 4.0f;
    y[1 * width + 2] = 4.0f;
    EndpointErrorStats stats;
    std::string message;
    ASSERT_EQ(ComputeEndpointError(x.data(), y.data(), trueX.data(), trueY.data(), width, height, 1, &stats, &message),
              CLI_OK);
    EXPECT_EQ(stats.count, 6);
    EXPECT_DOUBLE_EQ(stats.meanError, (5 * 0.5 + 5.0) / 6);
    EXPECT_DOUBLE_EQ(stats.maxError, 5.0);
    ASSERT_EQ(ComputeEndpointError(x.data(), y.data(), trueX.data(), trueY.data(), width, height, 0, &stats, &message),
              CLI_OK);
    EXPECT_EQ(stats.count, 20);
    EXPECT_EQ(ComputeEndpointError(x.data(), y.data(), trueX.data(), trueY.data(), width, height, 2, &stats, &message),
              CLI_ERR_ARGUMENT);  // a 4-row frame has nothing inside a 2-pixel border
    EXPECT_EQ(ComputeEndpointError(x.data(), y.data(), trueX.data(), trueY.data(), width, height, -1, &stats, &message),
              CLI_ERR_ARGUMENT);
}

}  // namespace
