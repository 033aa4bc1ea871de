// Turning frames of any supported sample kind into the 8-bit grayscale frames the flow methods take.
#include "cli/frame_conversion.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "cli/cli_errors.h"

namespace {

struct ConversionModeEntry {
    const char* name;
    int32_t mode;
};

const ConversionModeEntry CONVERSION_MODE_NAMES[] = {
    {"none", CONVERT_NONE}, {"scale", CONVERT_SCALE}, {"clip", CONVERT_CLIP}, {"shift", CONVERT_SHIFT}};

bool IsColourKind(int32_t sampleKind)
{
    return sampleKind == STACK_SAMPLE_COLOUR8 || sampleKind == STACK_SAMPLE_COLOUR16;
}

// Round a value already known to lie in [0, 255] to the nearest byte.
uint8_t RoundToByte(double value)
{
    return static_cast<uint8_t>(std::floor(value + 0.5));
}

uint8_t ScaleToByte(double value, double minimum, double factor)
{
    if (std::isnan(value)) {
        return 0;
    }
    const double scaled = (value - minimum) * factor;
    if (!(scaled > 0.0)) {
        return 0;
    }
    if (scaled >= 255.0) {
        return 255;
    }
    return RoundToByte(scaled);
}

uint8_t ClipToByte(double value)
{
    if (std::isnan(value) || value <= 0.0) {
        return 0;
    }
    if (value >= 255.0) {
        return 255;
    }
    return RoundToByte(value);
}

// Rows of conversion, written once per sample type; the caller picks one per frame.
template <typename Sample>
void ScaleRow(const Sample* row, int32_t count, double minimum, double factor, uint8_t* out)
{
    for (int32_t i = 0; i < count; ++i) {
        out[i] = ScaleToByte(static_cast<double>(row[i]), minimum, factor);
    }
}

template <typename Sample>
void ClipRow(const Sample* row, int32_t count, uint8_t* out)
{
    for (int32_t i = 0; i < count; ++i) {
        out[i] = ClipToByte(static_cast<double>(row[i]));
    }
}

void ShiftRow(const uint16_t* row, int32_t count, uint8_t* out)
{
    for (int32_t i = 0; i < count; ++i) {
        out[i] = static_cast<uint8_t>(row[i] >> 8);
    }
}

template <typename Sample>
void ExtendRange(const cv::Mat& luma, double* minimum, double* maximum, bool* found)
{
    for (int32_t r = 0; r < luma.rows; ++r) {
        const Sample* row = luma.ptr<Sample>(r);
        for (int32_t c = 0; c < luma.cols; ++c) {
            const double value = static_cast<double>(row[c]);
            if (!std::isfinite(value)) {
                continue;
            }
            if (!*found) {
                *minimum = value;
                *maximum = value;
                *found = true;
            } else if (value < *minimum) {
                *minimum = value;
            } else if (value > *maximum) {
                *maximum = value;
            }
        }
    }
}

}  // namespace

int32_t ParseConversionMode(const std::string& name, int32_t* mode, std::string* message)
{
    for (const ConversionModeEntry& entry : CONVERSION_MODE_NAMES) {
        if (name == entry.name) {
            *mode = entry.mode;
            return CLI_OK;
        }
    }
    *message = "unknown conversion \"" + name + "\"; choose none, scale, clip or shift";
    return CLI_ERR_ARGUMENT;
}

const char* ConversionModeName(int32_t mode)
{
    for (const ConversionModeEntry& entry : CONVERSION_MODE_NAMES) {
        if (mode == entry.mode) {
            return entry.name;
        }
    }
    return "unknown";
}

int32_t CheckConversion(int32_t sampleKind, int32_t mode, std::string* message)
{
    const std::string what = std::string("frames are ") + DescribeSampleKind(sampleKind);
    if (mode != CONVERT_NONE && mode != CONVERT_SCALE && mode != CONVERT_CLIP && mode != CONVERT_SHIFT) {
        *message = "unknown conversion mode " + std::to_string(mode);
        return CLI_ERR_ARGUMENT;
    }
    if (sampleKind == STACK_SAMPLE_GRAY8) {
        return CLI_OK;
    }
    if (mode == CONVERT_NONE) {
        if (sampleKind == STACK_SAMPLE_COLOUR8) {
            *message = what + ", not 8-bit grayscale; add --convert=scale, --convert=clip or --convert=shift "
                              "to use their luma (0.299 R + 0.587 G + 0.114 B)";
        } else if (sampleKind == STACK_SAMPLE_FLOAT32) {
            *message = what + ", not 8-bit; choose --convert=scale (stack minimum..maximum to 0..255) or "
                              "--convert=clip (values rounded and clipped to 0..255)";
        } else {
            *message = what + ", not 8-bit; choose --convert=scale (stack minimum..maximum to 0..255), "
                              "--convert=clip (values above 255 become 255) or --convert=shift (top 8 bits)" +
                       (IsColourKind(sampleKind) ? std::string(", applied to their luma") : std::string());
        }
        return CLI_ERR_NEEDS_CONVERSION;
    }
    if (mode == CONVERT_SHIFT && sampleKind == STACK_SAMPLE_FLOAT32) {
        *message = what + "; --convert=shift takes the top 8 bits of 16-bit values, use --convert=scale or "
                          "--convert=clip";
        return CLI_ERR_ARGUMENT;
    }
    return CLI_OK;
}

bool ConversionNeedsRange(int32_t sampleKind, int32_t mode)
{
    return mode == CONVERT_SCALE && sampleKind != STACK_SAMPLE_GRAY8 && sampleKind != STACK_SAMPLE_COLOUR8;
}

int32_t FrameToLuma(const cv::Mat& frame, bool bgrOrder, cv::Mat* luma, std::string* message)
{
    switch (frame.channels()) {
    case 1:
        *luma = frame;
        return CLI_OK;
    case 3:
        cv::cvtColor(frame, *luma, bgrOrder ? cv::COLOR_BGR2GRAY : cv::COLOR_RGB2GRAY);
        return CLI_OK;
    case 4:
        cv::cvtColor(frame, *luma, bgrOrder ? cv::COLOR_BGRA2GRAY : cv::COLOR_RGBA2GRAY);
        return CLI_OK;
    default:
        *message = "frames with " + std::to_string(frame.channels()) + " channels are not supported";
        return CLI_ERR_UNSUPPORTED;
    }
}

void ExtendValueRange(const cv::Mat& luma, double* minimum, double* maximum, bool* found)
{
    switch (luma.depth()) {
    case CV_8U:
        ExtendRange<uint8_t>(luma, minimum, maximum, found);
        break;
    case CV_16U:
        ExtendRange<uint16_t>(luma, minimum, maximum, found);
        break;
    case CV_32F:
        ExtendRange<float>(luma, minimum, maximum, found);
        break;
    default:
        break;
    }
}

int32_t ConvertLumaTo8Bit(const cv::Mat& luma, int32_t mode, double rangeMinimum, double rangeMaximum,
                          uint8_t* destination, std::string* message)
{
    if (luma.channels() != 1) {
        *message = "conversion needs one-channel frames";
        return CLI_ERR_ARGUMENT;
    }
    const int32_t width = luma.cols;
    const int32_t depth = luma.depth();
    if (depth == CV_8U) {
        for (int32_t r = 0; r < luma.rows; ++r) {
            const uint8_t* row = luma.ptr<uint8_t>(r);
            std::copy(row, row + width, destination + static_cast<size_t>(r) * static_cast<size_t>(width));
        }
        return CLI_OK;
    }
    if (depth != CV_16U && depth != CV_32F) {
        *message = "conversion takes 8-bit, 16-bit or float frames";
        return CLI_ERR_ARGUMENT;
    }
    if (mode == CONVERT_NONE || (mode == CONVERT_SHIFT && depth == CV_32F)) {
        *message = std::string("conversion mode ") + ConversionModeName(mode) + " cannot make 8 bits of these frames";
        return CLI_ERR_ARGUMENT;
    }
    const double span = rangeMaximum - rangeMinimum;
    const double factor = span > 0.0 ? 255.0 / span : 0.0;
    for (int32_t r = 0; r < luma.rows; ++r) {
        uint8_t* out = destination + static_cast<size_t>(r) * static_cast<size_t>(width);
        if (depth == CV_16U && mode == CONVERT_SHIFT) {
            ShiftRow(luma.ptr<uint16_t>(r), width, out);
        } else if (depth == CV_16U && mode == CONVERT_SCALE) {
            ScaleRow(luma.ptr<uint16_t>(r), width, rangeMinimum, factor, out);
        } else if (depth == CV_16U) {
            ClipRow(luma.ptr<uint16_t>(r), width, out);
        } else if (mode == CONVERT_SCALE) {
            ScaleRow(luma.ptr<float>(r), width, rangeMinimum, factor, out);
        } else {
            ClipRow(luma.ptr<float>(r), width, out);
        }
    }
    return CLI_OK;
}
