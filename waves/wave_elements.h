// Element values of waves, always as 64-bit reals on the caller's side: one element by its
// dimension indices, or the whole wave at once. With layout marker 1 the services work in the
// wave's memory; for any other layout each is one host message.
#pragma once
#include <cstdint>

#include "waves/wave_header.h"

// Wave kinds whose elements are not numbers; the element services refuse them.
enum : int32_t {
    TYPE_NON_NUMERIC_0100 = 0x100,
    TYPE_NON_NUMERIC_4000 = 0x4000,
};

// An element value is two reals: the value (real part) and, for a complex wave, the imaginary part.
enum : int32_t { WAVE_ELEMENT_REAL = 0, WAVE_ELEMENT_IMAGINARY = 1, WAVE_ELEMENT_PARTS = 2 };

// Reads the element at `indices` (one per dimension, dimension 0 first) into value[0] and, for
// a complex wave, value[1]. Return 0 on success, 412 for a text wave, 1252 for a non-numeric
// kind, 190 for another unhandled type, 414 for an index outside its dimension, or the host's code.
int32_t GetWaveElementValue(WaveHandle wave, const int64_t* indices, double value[WAVE_ELEMENT_PARTS]);
// Stores value[0] (and value[1] for a complex wave) into the element at `indices`; same codes.
int32_t SetWaveElementValue(WaveHandle wave, const int64_t* indices, const double value[WAVE_ELEMENT_PARTS]);

// Converts every element into `destination` (one real per element, two for a complex one, in
// element order). Return 0 on success, 412 for a text wave, 1252 for a non-numeric kind, 190
// for any other type without a layout, or the host's code.
int32_t ReadWaveAsDoubles(WaveHandle wave, double* destination);
// Converts `source` (laid out as ReadWaveAsDoubles fills it) into every element; same codes.
int32_t WriteWaveFromDoubles(WaveHandle wave, const double* source);

// The direct path's parts.
// Stores the linear element index of `indices` (dimensions the wave lacks are ignored).
// Return 0 on success, 414 for an index outside its dimension or a wave without elements, or
// the host's code for a wave whose sizes must be asked for.
int32_t ComputeElementOffset(WaveHandle wave, const int64_t* indices, int64_t* linearIndex);
// Reads element `index` of data of the given type code into value. Return 0 on success, 412 for
// base type 0, 1252 for a non-numeric kind, 190 for any other type outside the dispatch table.
int32_t FetchElementAsDouble(int32_t type, const void* data, int64_t index, double value[WAVE_ELEMENT_PARTS]);
// Stores value into element `index` of data of the given type code; same codes.
int32_t StoreElementFromDouble(int32_t type, void* data, int64_t index, const double value[WAVE_ELEMENT_PARTS]);
