// The built-in sample stack: a textured scene moving by a known sub-pixel displacement per frame.
#pragma once
#include <cstdint>
#include <string>

#include "cli/stack_calibration.h"

// The scene is a fixed sum of plane waves (wavelengths 6 to 40 pixels, all directions), sampled exactly
// at every pixel centre: frame t shows texture(x - t * shiftX, y - t * shiftY), so the true flow from
// every frame to the next is (shiftX, shiftY) pixels everywhere.
struct SampleStackSettings {
    int32_t width = 320;
    int32_t height = 240;
    int32_t frameCount = 8;
    double shiftX = 0.75;     // pixels per frame along dimension 0 (to the right)
    double shiftY = -0.4;     // pixels per frame along dimension 1 (downward; negative moves up)
    double pixelSize = 0.5;   // µm per pixel in both directions
    uint64_t seed = 0x44726576ull;
};

// Return 0 if the settings make a stack (sizes 8 to 8192, at least two frames, finite shifts within
// 16 px, positive pixel size), else CLI_ERR_ARGUMENT with the reason.
int32_t CheckSampleStackSettings(const SampleStackSettings& settings, std::string* message);

// The sample stack's calibration: pixelSize µm per pixel, origin 0.
StackCalibration SampleStackCalibration(const SampleStackSettings& settings);

// Render frames [first, first + count) as 8-bit frames, one after the other, width fastest.
// Return 0, or CLI_ERR_ARGUMENT for bad settings or a range outside the stack.
int32_t RenderSampleFrames(const SampleStackSettings& settings, int64_t first, int64_t count,
                           uint8_t* destination, std::string* message);

// Fill `x` and `y` (width * height values each) with the true displacement from frame pairIndex to
// pairIndex + 1, in pixels or, if `pixels` is false, in µm. Return 0, or CLI_ERR_ARGUMENT.
int32_t GetSampleTrueDisplacement(const SampleStackSettings& settings, int64_t pairIndex, bool pixels, float* x,
                                  float* y, std::string* message);
