// The kinds of frame samples a stack source can hold.
#pragma once
#include <cstdint>

enum : int32_t {
    STACK_SAMPLE_GRAY8 = 1,     // unsigned 8-bit grayscale (also 8-bit palette indices)
    STACK_SAMPLE_GRAY16 = 2,    // unsigned 16-bit grayscale
    STACK_SAMPLE_FLOAT32 = 3,   // 32-bit float grayscale
    STACK_SAMPLE_COLOUR8 = 4,   // 8-bit colour: RGB, RGBA, palette PNG or gray with alpha
    STACK_SAMPLE_COLOUR16 = 5   // 16-bit colour
};

// Words for a sample kind in messages, e.g. "16-bit grayscale".
const char* DescribeSampleKind(int32_t sampleKind);
