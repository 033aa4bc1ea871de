// The execute functions Tavra calls with a filled parameter block.
#pragma once
#include <cstdint>

#include "flow/param_blocks.h"

extern "C" {
// Return 0 on success, or an error code; never let an exception out.
int32_t RunDrevlinFarneback(FarnebackParamBlock* block);
int32_t RunDrevlinDIS(DISParamBlock* block);
}

// Truncates toward zero; values beyond the 32-bit range saturate and NaN gives 0.
int32_t TruncateToInt32(double value);
