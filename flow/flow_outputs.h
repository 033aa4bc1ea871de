// Creation of the two result matrices with the input's geometry, scaling and units.
#pragma once
#include <cstdint>

#include "waves/wave_header.h"

// Makes X and Y (float, size0 × size1 × (size2 − 1), overwriting) and copies the input's
// scaling and units of dimensions 0 and 1; unless `pixels`, X's data units are dimension 0's
// units and Y's dimension 1's. Returns 0, 592 for a non-3-D input, or a service's code.
int32_t MakeFlowOutputs(WaveHandle input, WaveHandle* x, const char* xName, WaveHandle* y, const char* yName,
                        bool pixels);
