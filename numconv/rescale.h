// In-place offset, scale, clip and rounding transforms of a block of numbers of one kind.
#pragma once
#include <cstdint>

// Replaces every element v by (v + *offset) * *scale, computed in float64 and written back by the
// kind's rules (integer kinds truncate toward zero and wrap). Does nothing when *offset is 0 and
// *scale is 1, or when typeCode is none of the ten numeric kinds (text, complex, unknown).
void RescaleNumbers(int32_t typeCode, void* data, const double* offset, const double* scale, int64_t count);

// Per element: optionally (v + offset) * scale, then clipping to [low, high], then rounding half
// away from zero when roundFlag is nonzero, written back by the kind's rules. Bounds of -inf and
// +inf clip nothing; bounds 0 and 0 stand for the kind's own range (none for float kinds, +-2^53
// for the 64-bit integer kinds). Does nothing for a type code that is none of the ten kinds.
void RescaleClipRoundNumbers(int32_t typeCode, void* data, int64_t count, double offset, double scale,
                             double low, double high, int32_t roundFlag);

// Rounds half away from zero: ceil(x - 0.5) for x < 0, else floor(x + 0.5); NaN and the
// infinities are returned as they are, minus zero gives plus zero.
double RoundHalfAwayFromZero(double x);
