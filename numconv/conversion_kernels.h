// Conversion loops: one per ordered pair of different element kinds, and the in-place
// offset/scale/clip/round loops, one per kind; the loop for a call is chosen once per call.
#pragma once
#include <cstdint>

// The ten kinds, in the order of the kind indexes (numconv/element_kinds.h).
#define NUMCONV_KINDS(X) \
    X(Int8) X(UInt8) X(Int16) X(UInt16) X(Int32) X(UInt32) X(Int64) X(UInt64) X(Float32) X(Float64)

// The 90 ordered pairs of different kinds, source-major.
#define NUMCONV_CONVERSION_PAIRS(X) \
    X(Int8, UInt8) X(Int8, Int16) X(Int8, UInt16) X(Int8, Int32) X(Int8, UInt32) X(Int8, Int64) X(Int8, UInt64) X(Int8, Float32) X(Int8, Float64) \
    X(UInt8, Int8) X(UInt8, Int16) X(UInt8, UInt16) X(UInt8, Int32) X(UInt8, UInt32) X(UInt8, Int64) X(UInt8, UInt64) X(UInt8, Float32) X(UInt8, Float64) \
    X(Int16, Int8) X(Int16, UInt8) X(Int16, UInt16) X(Int16, Int32) X(Int16, UInt32) X(Int16, Int64) X(Int16, UInt64) X(Int16, Float32) X(Int16, Float64) \
    X(UInt16, Int8) X(UInt16, UInt8) X(UInt16, Int16) X(UInt16, Int32) X(UInt16, UInt32) X(UInt16, Int64) X(UInt16, UInt64) X(UInt16, Float32) X(UInt16, Float64) \
    X(Int32, Int8) X(Int32, UInt8) X(Int32, Int16) X(Int32, UInt16) X(Int32, UInt32) X(Int32, Int64) X(Int32, UInt64) X(Int32, Float32) X(Int32, Float64) \
    X(UInt32, Int8) X(UInt32, UInt8) X(UInt32, Int16) X(UInt32, UInt16) X(UInt32, Int32) X(UInt32, Int64) X(UInt32, UInt64) X(UInt32, Float32) X(UInt32, Float64) \
    X(Int64, Int8) X(Int64, UInt8) X(Int64, Int16) X(Int64, UInt16) X(Int64, Int32) X(Int64, UInt32) X(Int64, UInt64) X(Int64, Float32) X(Int64, Float64) \
    X(UInt64, Int8) X(UInt64, UInt8) X(UInt64, Int16) X(UInt64, UInt16) X(UInt64, Int32) X(UInt64, UInt32) X(UInt64, Int64) X(UInt64, Float32) X(UInt64, Float64) \
    X(Float32, Int8) X(Float32, UInt8) X(Float32, Int16) X(Float32, UInt16) X(Float32, Int32) X(Float32, UInt32) X(Float32, Int64) X(Float32, UInt64) X(Float32, Float64) \
    X(Float64, Int8) X(Float64, UInt8) X(Float64, Int16) X(Float64, UInt16) X(Float64, Int32) X(Float64, UInt32) X(Float64, Int64) X(Float64, UInt64) X(Float64, Float32)

// A per-pair loop converts count elements from source to destination. The two may be the
// same buffer (same start, sized for the wider kind): loops to a wider kind walk from the last
// element to the first, all others from the first to the last. A count of 0 or less does nothing.
using ConversionLoop = void (*)(const void* source, void* destination, int64_t count);

// The in-place loop of RescaleNumbers: v = (v + *offset) * *scale for every element.
using RescaleLoop = void (*)(void* data, const double* offset, const double* scale, int64_t count);

// The in-place loop of RescaleClipRoundNumbers; the bounds are already resolved.
using RescaleClipRoundLoop = void (*)(void* data, int64_t count, double offset, double scale, double low,
                                      double high, int32_t doScale, int32_t doClip, int32_t roundFlag);

#define NUMCONV_DECLARE_PAIR(SOURCE, DESTINATION) \
    void Convert##SOURCE##To##DESTINATION(const void* source, void* destination, int64_t count);
NUMCONV_CONVERSION_PAIRS(NUMCONV_DECLARE_PAIR)
#undef NUMCONV_DECLARE_PAIR

#define NUMCONV_DECLARE_IN_PLACE(KIND)                                                              \
    void Rescale##KIND(void* data, const double* offset, const double* scale, int64_t count);        \
    void RescaleClipRound##KIND(void* data, int64_t count, double offset, double scale, double low, \
                                double high, int32_t doScale, int32_t doClip, int32_t roundFlag);
NUMCONV_KINDS(NUMCONV_DECLARE_IN_PLACE)
#undef NUMCONV_DECLARE_IN_PLACE

// Returns the loop for the ordered pair of kind indexes, or nullptr for equal or invalid kinds.
ConversionLoop SelectConversionLoop(int32_t sourceKind, int32_t destinationKind);

// Return the in-place loops for a kind index, or nullptr for an invalid one.
RescaleLoop SelectRescaleLoop(int32_t kind);
RescaleClipRoundLoop SelectRescaleClipRoundLoop(int32_t kind);
