// Wave services: the direct header path for layout marker 1, the host otherwise.
#include "waves/wave_services.h"

#include "bridge/bridge_memory.h"
#include "bridge/bridge_state.h"
#include "bridge/error_codes.h"
#include "bridge/host_dispatch.h"
#include "numconv/numeric_types.h"
#include "waves/wave_messages.h"

static int32_t ErrorCode(int64_t result)
{
    return static_cast<int32_t>(result);
}

static uint64_t W(const volatile void* address)
{
    return WordFromAddress(address);
}

const WaveHeaderBlock* DirectWaveHeader(WaveHandle wave)
{
    if (!wave || !*wave) return nullptr;
    auto* header = reinterpret_cast<const WaveHeaderBlock*>(*wave);
    return header->layoutMarker == WAVE_LAYOUT_DIRECT ? header : nullptr;
}

int32_t GetWaveNumericType(WaveHandle wave)
{
    if (const WaveHeaderBlock* header = DirectWaveHeader(wave)) return header->numericType;
    return ErrorCode(InvokeHost1(MSG_WAVE_NUMERIC_TYPE, W(wave)));
}

int64_t GetWavePointCount(WaveHandle wave)
{
    if (const WaveHeaderBlock* header = DirectWaveHeader(wave)) return header->pointCount;
    return InvokeHost1(MSG_WAVE_POINT_COUNT, W(wave));
}

void* GetWaveDataStart(WaveHandle wave)
{
    if (DirectWaveHeader(wave)) return *wave + WAVE_HEADER_BYTES;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(InvokeHost1(MSG_WAVE_DATA_START, W(wave))));
}

int32_t GetWaveDataOffset(WaveHandle wave, int32_t mode, int64_t* offset)
{
    const WaveHeaderBlock* header = mode == 0 ? DirectWaveHeader(wave) : nullptr;
    if (!header) return ErrorCode(InvokeHost3(MSG_WAVE_DATA_OFFSET, W(wave), WordFromInt(mode), W(offset)));
    if (header->numericType == TYPE_TEXT) return ERR_TEXT_WAVE;
    *offset = WAVE_HEADER_BYTES;
    return 0;
}

int64_t GetWaveBlockSize(WaveHandle wave, int32_t selector)
{
    if (!wave) return 0;
    if (hostVersion >= 700) return InvokeHost2(MSG_WAVE_BLOCK_SIZE, W(wave), WordFromInt(selector));
    if (!DirectWaveHeader(wave)) return 0;
    switch (selector) {
    case 0:
    case 3:
    case 4: return BridgeGetHandleSize(wave);
    case 1: return WAVE_HEADER_BYTES;
    case 2: return BridgeGetHandleSize(wave) - WAVE_HEADER_BYTES;
    default: return 0;
    }
}

int32_t GetWaveDimensionSizes(WaveHandle wave, int32_t* count, int64_t* sizes)
{
    if (sizes)
        for (int32_t i = 0; i < WAVE_DIMENSION_ARRAY_SIZE; ++i) sizes[i] = 0;
    const WaveHeaderBlock* header = DirectWaveHeader(wave);
    if (!header) return ErrorCode(InvokeHost3(MSG_WAVE_DIMENSION_SIZES, W(wave), W(count), W(sizes)));
    *count = 0;
    for (int32_t i = 0; i < WAVE_MAX_DIMENSIONS && header->dimensionSizes[i] != 0; ++i) {
        *count += 1;
        if (sizes) sizes[i] = header->dimensionSizes[i];
    }
    return 0;
}

int32_t GetWaveDimensionScaling(WaveHandle wave, int32_t dimension, double* step, double* offset)
{
    return ErrorCode(InvokeHost4(MSG_GET_DIMENSION_SCALING, W(wave), WordFromInt(dimension), W(step), W(offset)));
}

int32_t SetWaveDimensionScaling(WaveHandle wave, int32_t dimension, const double* step, const double* offset)
{
    return ErrorCode(InvokeHost4(MSG_SET_DIMENSION_SCALING, W(wave), WordFromInt(dimension), W(step), W(offset)));
}

int32_t GetWaveDimensionUnits(WaveHandle wave, int32_t dimension, char* units)
{
    units[0] = 0;
    return ErrorCode(InvokeHost3(MSG_GET_DIMENSION_UNITS, W(wave), WordFromInt(dimension), W(units)));
}

int32_t SetWaveDimensionUnits(WaveHandle wave, int32_t dimension, const char* units)
{
    return ErrorCode(InvokeHost3(MSG_SET_DIMENSION_UNITS, W(wave), WordFromInt(dimension), W(units)));
}

int32_t MakeDimensionedWave(WaveHandle* wave, char* name, DataFolderHandle folder, const int64_t* sizes,
                            int32_t type, int32_t overwrite)
{
    *wave = nullptr;
    return ErrorCode(InvokeHost6(MSG_MAKE_DIMENSIONED_WAVE, W(wave), W(name), W(folder), W(sizes),
                                 WordFromInt(type), WordFromInt(overwrite)));
}

int32_t MakeWaveWithPoints(WaveHandle* wave, char* name, int64_t points, int32_t type, int32_t overwrite)
{
    *wave = nullptr;
    if (points == 0) {
        const DimensionSizeArray zeros = {};
        return MakeDimensionedWave(wave, name, nullptr, zeros, type, overwrite);
    }
    return ErrorCode(InvokeHost5(MSG_MAKE_WAVE_WITH_POINTS, W(wave), W(name), static_cast<uint64_t>(points),
                                 WordFromInt(type), WordFromInt(overwrite)));
}

WaveHandle FindWaveInFolder(DataFolderHandle folder, const char* name)
{
    return reinterpret_cast<WaveHandle>(static_cast<uintptr_t>(InvokeHost2(MSG_FIND_WAVE_IN_FOLDER, W(folder), W(name))));
}

int32_t ChangeWaveShape(WaveHandle wave, int32_t type, const int64_t* sizes)
{
    return ErrorCode(InvokeHost3(MSG_CHANGE_WAVE_SHAPE, W(wave), WordFromInt(type), W(sizes)));
}

int32_t ChangeWaveShapeEx(WaveHandle wave, int32_t type, const int64_t* sizes, int32_t extra)
{
    if (extra == 0) return ChangeWaveShape(wave, type, sizes);
    return ErrorCode(InvokeHost4(MSG_CHANGE_WAVE_SHAPE_EX, W(wave), WordFromInt(type), W(sizes), WordFromInt(extra)));
}
