// Summaries of displacement fields: per-pair means and maxima, and errors against a known field.
#pragma once
#include <cstdint>
#include <string>

struct DisplacementStats {
    double meanX = 0.0;          // mean displacement along dimension 0
    double meanY = 0.0;          // mean displacement along dimension 1
    double meanMagnitude = 0.0;  // mean length of the displacement vectors
    double maxMagnitude = 0.0;   // largest length
    int64_t finiteCount = 0;     // vectors taken into account (both components finite)
};

struct EndpointErrorStats {
    double meanError = 0.0;  // mean of |measured - true| over the compared vectors
    double maxError = 0.0;
    int64_t count = 0;       // vectors compared
};

// Summarise `count` vectors (x[i], y[i]); vectors with a non-finite component are left out.
// Return 0, or CLI_ERR_ARGUMENT for a negative count or missing arrays.
int32_t ComputeDisplacementStats(const float* x, const float* y, int64_t count, DisplacementStats* stats,
                                 std::string* message);

// Compare a measured field with the true one over a width x height frame, leaving out a border of
// `margin` pixels (where content enters and leaves the view) and non-finite vectors.
// Return 0, or CLI_ERR_ARGUMENT if the sizes are negative or the margin leaves no pixel.
int32_t ComputeEndpointError(const float* x, const float* y, const float* trueX, const float* trueY, int32_t width,
                             int32_t height, int32_t margin, EndpointErrorStats* stats, std::string* message);
