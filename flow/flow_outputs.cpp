// Output matrices of the flow operations.
#include "flow/flow_outputs.h"

#include <cstdio>

#include "bridge/error_codes.h"
#include "numconv/numeric_types.h"
#include "waves/wave_services.h"

enum : int32_t { FLOW_UNITS_BUFFER = 64, FLOW_NAME_BUFFER = 256 };

// Copies the step, offset and units of one dimension from the input to both outputs.
static int32_t CopyDimensionMetadata(WaveHandle input, WaveHandle x, WaveHandle y, int32_t dimension)
{
    double step = 0, offset = 0;
    if (int32_t err = GetWaveDimensionScaling(input, dimension, &step, &offset)) return err;
    if (int32_t err = SetWaveDimensionScaling(x, dimension, &step, &offset)) return err;
    if (int32_t err = SetWaveDimensionScaling(y, dimension, &step, &offset)) return err;
    char units[FLOW_UNITS_BUFFER];
    if (int32_t err = GetWaveDimensionUnits(input, dimension, units)) return err;
    if (int32_t err = SetWaveDimensionUnits(x, dimension, units)) return err;
    return SetWaveDimensionUnits(y, dimension, units);
}

// Gives `output` the input's units of `dimension` as its data units.
static int32_t CopyUnitsToDataUnits(WaveHandle input, int32_t dimension, WaveHandle output)
{
    char units[FLOW_UNITS_BUFFER];
    if (int32_t err = GetWaveDimensionUnits(input, dimension, units)) return err;
    return SetWaveDimensionUnits(output, WAVE_DATA_UNITS, units);
}

int32_t MakeFlowOutputs(WaveHandle input, WaveHandle* x, const char* xName, WaveHandle* y, const char* yName,
                        bool pixels)
{
    int32_t count = 0;
    DimensionSizeArray sizes;
    if (int32_t err = GetWaveDimensionSizes(input, &count, sizes)) return err;
    if (count != 3) return ERR_NOT_THREE_DIMENSIONAL;
    DimensionSizeArray outputSizes = {sizes[0], sizes[1], sizes[2] - 1};
    char name[FLOW_NAME_BUFFER];
    std::snprintf(name, sizeof name, "%s", xName);
    if (int32_t err = MakeDimensionedWave(x, name, nullptr, outputSizes, TYPE_FLOAT32, 1)) return err;
    std::snprintf(name, sizeof name, "%s", yName);
    if (int32_t err = MakeDimensionedWave(y, name, nullptr, outputSizes, TYPE_FLOAT32, 1)) return err;
    for (int32_t dimension = 0; dimension <= 1; ++dimension)
        if (int32_t err = CopyDimensionMetadata(input, *x, *y, dimension)) return err;
    if (pixels) return 0;
    if (int32_t err = CopyUnitsToDataUnits(input, 0, *x)) return err;
    return CopyUnitsToDataUnits(input, 1, *y);
}
