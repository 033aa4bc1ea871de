// Turning frames of any supported sample kind into the 8-bit grayscale frames the flow methods take.
#pragma once
#include <cstdint>
#include <string>

#include <opencv2/core.hpp>

#include "cli/sample_kind.h"

// Conversion modes. Colour frames always become luma first (OpenCV's weights 0.299 R + 0.587 G + 0.114 B,
// at the frame's own bit depth); 8-bit results pass unchanged; the mode decides how wider values
// become 8 bits:
//   scale: the stack's [minimum, maximum] maps linearly onto [0, 255], rounded to nearest;
//   clip:  values are rounded to nearest and clipped to 0..255;
//   shift: the top 8 bits of 16-bit values (value >> 8); not defined for float.
// Float NaN becomes 0; infinities are left out of the stack's range and clip to its ends.
enum : int32_t { CONVERT_NONE = 0, CONVERT_SCALE = 1, CONVERT_CLIP = 2, CONVERT_SHIFT = 3 };

// Find the mode named `name` ("none", "scale", "clip", "shift"). Return 0, or CLI_ERR_ARGUMENT naming the choices.
int32_t ParseConversionMode(const std::string& name, int32_t* mode, std::string* message);

// The name of a mode as ParseConversionMode takes it.
const char* ConversionModeName(int32_t mode);

// Return 0 if `mode` turns frames of `sampleKind` into 8 bits, else CLI_ERR_NEEDS_CONVERSION or
// CLI_ERR_ARGUMENT with a message that says what the frames are and which options apply.
int32_t CheckConversion(int32_t sampleKind, int32_t mode, std::string* message);

// True if frames of `sampleKind` need the stack's value range (mode scale on wider than 8-bit values).
bool ConversionNeedsRange(int32_t sampleKind, int32_t mode);

// Make the one-channel luma of `frame` (1, 3 or 4 channels; `bgrOrder` tells the channel order).
// A one-channel frame is returned as it is, without a copy. Return 0, or CLI_ERR_UNSUPPORTED.
int32_t FrameToLuma(const cv::Mat& frame, bool bgrOrder, cv::Mat* luma, std::string* message);

// Widen [*minimum, *maximum] by the finite values of a one-channel frame; *found tells whether any was seen.
void ExtendValueRange(const cv::Mat& luma, double* minimum, double* maximum, bool* found);

// Write a one-channel 8U, 16U or 32F frame as 8 bits into `destination` (rows after each other, no gaps).
// `rangeMinimum` and `rangeMaximum` are used by mode scale. Return 0, or CLI_ERR_ARGUMENT.
int32_t ConvertLumaTo8Bit(const cv::Mat& luma, int32_t mode, double rangeMinimum, double rangeMaximum,
                          uint8_t* destination, std::string* message);
