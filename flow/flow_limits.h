// The settings and frame sizes that OpenCV 4.6's flow methods process without crashing,
// corrupting memory or running for hours; everything else is refused before OpenCV sees it.
#pragma once
#include <cstdint>

#include "flow/flow_settings.h"

// Largest number of rows or columns of a frame, and of pixels in one.
constexpr int64_t FLOW_MAX_FRAME_SIDE = int64_t{1} << 24;
constexpr int64_t FLOW_MAX_FRAME_PIXELS = int64_t{1} << 28;

// Farnebäck limits.
constexpr int32_t FLOW_MIN_WINSIZE = 1;
constexpr int32_t FLOW_MAX_WINSIZE = 10000;
constexpr int32_t FLOW_MAX_ITERATIONS = 1000;
constexpr int32_t FLOW_MAX_POLY_N = 1000;
constexpr int32_t FLOW_MAX_PYRAMID_LEVELS = 1000;
// OpenCV builds no Farnebäck pyramid level narrower or lower than this.
constexpr int64_t FLOW_PYRAMID_MIN_SIDE = 32;

// DIS limits: every preset matches 8 × 8 patches; smaller frames are refused by OpenCV itself.
constexpr int64_t FLOW_DIS_PATCH_SIZE = 8;
constexpr int64_t FLOW_DIS_MIN_LONG_SIDE = 12;

// Checks the settings against frames of size0 columns × size1 rows. Return 0 when OpenCV can
// be called safely, or the code of the first rule broken: a FLOW_ERR_ code, or 823 for a DIS
// preset outside 0 to 2.
int32_t ValidateFlowSettings(const FlowSettings* settings, int64_t size0, int64_t size1);

// The number of pyramid levels above the frame that OpenCV's Farnebäck method builds for
// these settings, counted up to limit + 1 at most.
int32_t CountFarnebackLevels(double pyrScale, int32_t levels, int64_t size0, int64_t size1, int32_t limit);
