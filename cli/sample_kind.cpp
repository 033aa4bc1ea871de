// Words for the kinds of frame samples.
#include "cli/sample_kind.h"

const char* DescribeSampleKind(int32_t sampleKind)
{
    switch (sampleKind) {
    case STACK_SAMPLE_GRAY8:
        return "8-bit grayscale";
    case STACK_SAMPLE_GRAY16:
        return "16-bit grayscale";
    case STACK_SAMPLE_FLOAT32:
        return "32-bit float grayscale";
    case STACK_SAMPLE_COLOUR8:
        return "8-bit colour";
    case STACK_SAMPLE_COLOUR16:
        return "16-bit colour";
    default:
        return "of an unknown sample kind";
    }
}
