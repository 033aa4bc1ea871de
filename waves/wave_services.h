// Wave queries, creation and dimension metadata. Type, element count, data start, data
// offset and dimension sizes are read from the header when its layout marker is 1;
// everything else, and every query of another layout, goes to the host.
#pragma once
#include <cstdint>

#include "waves/wave_header.h"

int32_t GetWaveNumericType(WaveHandle wave);
int64_t GetWavePointCount(WaveHandle wave);
void* GetWaveDataStart(WaveHandle wave);
// Return 0 on success, or a host error code.
int32_t GetWaveDataOffset(WaveHandle wave, int32_t mode, int64_t* offset);
int64_t GetWaveBlockSize(WaveHandle wave, int32_t selector);
int32_t GetWaveDimensionSizes(WaveHandle wave, int32_t* count, int64_t* sizes /* 11 entries or null */);
int32_t GetWaveDimensionScaling(WaveHandle wave, int32_t dimension, double* step, double* offset);
int32_t SetWaveDimensionScaling(WaveHandle wave, int32_t dimension, const double* step, const double* offset);
int32_t GetWaveDimensionUnits(WaveHandle wave, int32_t dimension, char* units);
int32_t SetWaveDimensionUnits(WaveHandle wave, int32_t dimension, const char* units);
int32_t MakeDimensionedWave(WaveHandle* wave, char* name, DataFolderHandle folder, const int64_t* sizes,
                            int32_t type, int32_t overwrite);
int32_t MakeWaveWithPoints(WaveHandle* wave, char* name, int64_t points, int32_t type, int32_t overwrite);
WaveHandle FindWaveInFolder(DataFolderHandle folder, const char* name);
int32_t ChangeWaveShape(WaveHandle wave, int32_t type, const int64_t* sizes);
int32_t ChangeWaveShapeEx(WaveHandle wave, int32_t type, const int64_t* sizes, int32_t extra);

// The header of a wave whose block may be read directly, else null.
const WaveHeaderBlock* DirectWaveHeader(WaveHandle wave);
