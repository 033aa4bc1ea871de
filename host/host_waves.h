// The stand-in host's wave store: waves live in handles whose blocks begin with the 400-byte
// wave header; scaling and units are kept beside them. All waves are in the current data folder.
#pragma once
#include <cstdint>
#include <string>

#include "waves/wave_header.h"

enum : int32_t {
    HOST_ERR_NAME_IN_USE = 9003,   // a wave of that name exists and overwriting was not asked for
    HOST_ERR_BAD_NAME = 9004,      // empty or longer than 255 characters
    HOST_ERR_NO_SUCH_WAVE = 9005,  // the handle is not a wave of this host
    HOST_ERR_BAD_DIMENSION = 9006, // dimension index outside the wave's
    HOST_ERR_BAD_TYPE = 9007,      // a type code this host cannot store
    HOST_ERR_BAD_SIZES = 9008,     // negative sizes, a gap, more than 4 dimensions, or too many bytes
};

// Tavra's own codes for numeric access to waves, which the host answers as Tavra would.
enum : int32_t {
    HOST_ERR_UNHANDLED_TYPE = 190,     // a numeric type outside the ten kinds
    HOST_ERR_TEXT_WAVE = 412,          // a text wave where numbers are needed
    HOST_ERR_BAD_INDEX = 414,          // an element index outside its dimension
    HOST_ERR_NON_NUMERIC_WAVE = 1252,  // a wave kind whose elements are not numbers
};

// Makes (or, with overwrite, replaces) a wave of the given type and dimension sizes
// (up to 4; a zero ends the list). Returns 0 or a host error code.
int32_t HostMakeWave(WaveHandle* wave, const char* name, int32_t type, const int64_t* sizes, int32_t count,
                     bool overwrite);
WaveHandle HostFindWave(const char* name);
int32_t HostKillWave(WaveHandle wave);
int32_t HostWaveCount();

// Element storage and description.
void* HostWaveData(WaveHandle wave);
int32_t HostWaveType(WaveHandle wave);
int32_t HostWaveDimensions(WaveHandle wave, int64_t sizes[4]);  // returns the dimension count
std::string HostWaveName(WaveHandle wave);

// Scaling and units; dimension -1 is the data units (units only).
int32_t HostSetWaveScaling(WaveHandle wave, int32_t dimension, double step, double offset);
int32_t HostGetWaveScaling(WaveHandle wave, int32_t dimension, double* step, double* offset);
int32_t HostSetWaveUnits(WaveHandle wave, int32_t dimension, const std::string& units);
std::string HostGetWaveUnits(WaveHandle wave, int32_t dimension);

// Bytes per element of a numeric type code (complex counts both parts), 0 when unknown.
int64_t HostElementBytes(int32_t type);
