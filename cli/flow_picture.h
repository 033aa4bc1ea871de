// Pictures of flow fields: the colour-wheel coding (hue = direction, saturation = length, white = no
// motion) with a legend, for one pair or a labelled montage of pairs, written as PNG.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

// Directions follow the image: x to the right is dimension 0 positive, y down is dimension 1 positive.
// Vectors longer than the full-colour length keep their hue at 75 % brightness; non-finite ones are black.
struct FlowPictureOptions {
    double maxMagnitude = 0.0;  // the length shown at full colour; 0 or less: the longest finite vector shown
    std::string unit;           // unit of the values (UTF-8), "" for pixels
    int32_t maxTileSide = 0;    // shrink each pair's picture so its longer side fits; 0 keeps full size
};

struct FlowPicturePair {
    const float* x = nullptr;  // width * height values, width fastest
    const float* y = nullptr;
    int64_t pairIndex = 0;     // the pair's layer index, frames pairIndex to pairIndex + 1 (from 0)
};

// The colour (blue, green, red) of a displacement (u, v) already divided by the full-colour length.
cv::Vec3b FlowColour(double u, double v);

// Colour one pair's field with full colour at `maxMagnitude` (> 0) into a BGR picture of width x height.
void RenderFlowColours(const float* x, const float* y, int32_t width, int32_t height, double maxMagnitude,
                       cv::Mat* colours);

// Compose the picture: the pairs on a grid, each under a label with its index, and the legend at the right.
// *usedMaxMagnitude receives the full-colour length. Return 0, or CLI_ERR_ARGUMENT / CLI_ERR_INTERNAL.
int32_t RenderFlowPicture(const std::vector<FlowPicturePair>& pairs, int32_t width, int32_t height,
                          const FlowPictureOptions& options, cv::Mat* picture, double* usedMaxMagnitude,
                          std::string* message);

// RenderFlowPicture, then encode it as PNG to `path` (complete or not at all). Return 0, or a CLI_ERR_* code.
int32_t WriteFlowPicture(const std::string& path, const std::vector<FlowPicturePair>& pairs, int32_t width,
                         int32_t height, const FlowPictureOptions& options, double* usedMaxMagnitude,
                         std::string* message);
