// The layout of a wave's memory block as Tavra keeps it: a 400-byte header, then the data.
// Only a header whose layout marker is 1 may be read directly.
#pragma once
#include <cstddef>
#include <cstdint>

#include "bridge/host_exports.h"

enum : int32_t {
    WAVE_LAYOUT_DIRECT = 1,    // the marker value of this layout
    WAVE_MAX_DIMENSIONS = 4,
    WAVE_DIMENSION_ARRAY_SIZE = 11,
    WAVE_HEADER_BYTES = 400,
    WAVE_DATA_UNITS = -1,      // dimension index of the data values, where units are concerned
};

struct WaveHeaderBlock {
    uint8_t hostReserved0[12];
    int32_t field93;           // answered for message 93
    int64_t pointCount;        // elements in all dimensions; a complex element counts once
    int16_t numericType;
    uint8_t hostReserved1[8];
    int16_t layoutMarker;
    uint8_t hostReserved2[44];
    int64_t dimensionSizes[WAVE_MAX_DIMENSIONS];  // 0 for a dimension the wave lacks
    uint8_t hostReserved3[252];
    int16_t field94;           // answered for message 94
    uint8_t hostReserved4[14];
    int16_t field95;           // answered for message 95
    uint8_t hostReserved5[18];
};

static_assert(offsetof(WaveHeaderBlock, field93) == 12);
static_assert(offsetof(WaveHeaderBlock, pointCount) == 16);
static_assert(offsetof(WaveHeaderBlock, numericType) == 24);
static_assert(offsetof(WaveHeaderBlock, layoutMarker) == 34);
static_assert(offsetof(WaveHeaderBlock, dimensionSizes) == 80);
static_assert(offsetof(WaveHeaderBlock, field94) == 364);
static_assert(offsetof(WaveHeaderBlock, field95) == 380);
static_assert(sizeof(WaveHeaderBlock) == WAVE_HEADER_BYTES);

// A wave handle: a pointer to the master pointer of the wave's block.
using WaveHandle = Handle;
// A data folder handle; null means the current data folder.
using DataFolderHandle = void*;
// Dimension sizes as services exchange them: 11 entries, the count is the leading nonzero ones.
using DimensionSizeArray = int64_t[WAVE_DIMENSION_ARRAY_SIZE];
