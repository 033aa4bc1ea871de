// Summaries of displacement fields: per-pair means and maxima, and errors against a known field.
#include "cli/flow_statistics.h"

#include <cmath>

#include "cli/cli_errors.h"

int32_t ComputeDisplacementStats(const float* x, const float* y, int64_t count, DisplacementStats* stats,
                                 std::string* message)
{
    *stats = DisplacementStats();
    if (count < 0 || (count > 0 && (x == nullptr || y == nullptr))) {
        *message = "displacement statistics need two arrays of a non-negative length";
        return CLI_ERR_ARGUMENT;
    }
    double sumX = 0.0;
    double sumY = 0.0;
    double sumMagnitude = 0.0;
    for (int64_t i = 0; i < count; ++i) {
        const double dx = x[i];
        const double dy = y[i];
        if (!std::isfinite(dx) || !std::isfinite(dy)) {
            continue;
        }
        const double magnitude = std::hypot(dx, dy);
        sumX += dx;
        sumY += dy;
        sumMagnitude += magnitude;
        stats->maxMagnitude = std::fmax(stats->maxMagnitude, magnitude);
        ++stats->finiteCount;
    }
    if (stats->finiteCount > 0) {
        const auto n = static_cast<double>(stats->finiteCount);
        stats->meanX = sumX / n;
        stats->meanY = sumY / n;
        stats->meanMagnitude = sumMagnitude / n;
    }
    return CLI_OK;
}

int32_t ComputeEndpointError(const float* x, const float* y, const float* trueX, const float* trueY, int32_t width,
                             int32_t height, int32_t margin, EndpointErrorStats* stats, std::string* message)
{
    *stats = EndpointErrorStats();
    if (width <= 0 || height <= 0 || margin < 0 || margin > (width - 1) / 2 || margin > (height - 1) / 2) {
        *message = "the margin leaves no pixel to compare";
        return CLI_ERR_ARGUMENT;
    }
    if (x == nullptr || y == nullptr || trueX == nullptr || trueY == nullptr) {
        *message = "endpoint error needs four arrays";
        return CLI_ERR_ARGUMENT;
    }
    double sum = 0.0;
    for (int32_t row = margin; row < height - margin; ++row) {
        const size_t rowStart = static_cast<size_t>(row) * static_cast<size_t>(width);
        for (int32_t column = margin; column < width - margin; ++column) {
            const size_t i = rowStart + static_cast<size_t>(column);
            const double error = std::hypot(static_cast<double>(x[i]) - trueX[i], static_cast<double>(y[i]) - trueY[i]);
            if (!std::isfinite(error)) {
                continue;
            }
            sum += error;
            stats->maxError = std::fmax(stats->maxError, error);
            ++stats->count;
        }
    }
    if (stats->count > 0) {
        stats->meanError = sum / static_cast<double>(stats->count);
    }
    return CLI_OK;
}
