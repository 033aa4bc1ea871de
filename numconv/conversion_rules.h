// Element rules of numeric conversion: how a single number changes from one kind to another.
// Every rule gives a defined result for every input (NaN, infinities and out-of-range values
// included): each float-to-integer and float-to-narrower-float conversion is preceded by an
// explicit range test, so the C++ conversion itself only ever sees values it can represent.
// The rules are branch-free selections so that loops built on them can be vectorised.
#pragma once
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559,
              "numeric conversion assumes IEEE 754 single and double precision");

inline constexpr double NUMCONV_TWO_POW_63 = 9223372036854775808.0;
inline constexpr double NUMCONV_TWO_POW_64 = 18446744073709551616.0;
inline constexpr uint64_t NUMCONV_HIGH_BIT_64 = uint64_t{1} << 63;

// Integer to integer (sign extension, zero extension, bit copy, low bits).
// C++20 defines every integral conversion as the source value reduced modulo 2^N of the
// destination, which is exactly sign extension for signed sources (also into unsigned kinds),
// zero extension for unsigned ones, a bit copy at equal width and the low bits when narrowing.
template <typename D, typename S>
constexpr D ConvertIntegerToInteger(S value) {
    static_assert(std::is_integral_v<S> && std::is_integral_v<D>);
    return static_cast<D>(value);
}

// Integer to float, rounded once to the nearest destination value, ties to even.
// A uint64 is read as a signed integer, converted, and 2^64 is added in the destination
// precision when that reading is negative (so 2^64 - 1 becomes 2^64).
template <typename D, typename S>
inline D ConvertIntegerToFloat(S value) {
    static_assert(std::is_integral_v<S> && std::is_floating_point_v<D>);
    if constexpr (std::is_same_v<S, uint64_t>) {
        const int64_t signedReading = static_cast<int64_t>(value);
        const D converted = static_cast<D>(signedReading);
        return signedReading < 0 ? converted + static_cast<D>(NUMCONV_TWO_POW_64) : converted;
    } else {
        return static_cast<D>(value);
    }
}

// Float to float: widening is exact; narrowing gives the nearest float32, ties to even, with
// infinities of the right sign beyond float32's range and NaN kept. Magnitudes between
// FLT_MAX and the rounding midpoint 2^128 - 2^103 become FLT_MAX, magnitudes from the midpoint
// up become infinity; both are selected before the cast, which then stays within range.
template <typename D, typename S>
inline D ConvertFloatToFloat(S value) {
    static_assert(std::is_floating_point_v<S> && std::is_floating_point_v<D>);
    if constexpr (sizeof(D) >= sizeof(S)) {
        return static_cast<D>(value);
    } else {
        constexpr double largest = static_cast<double>(std::numeric_limits<float>::max());
        constexpr double overflowMidpoint = 0x1.ffffffp127;
        const double magnitude = std::fabs(value);
        const double limit = magnitude >= overflowMidpoint ? std::numeric_limits<double>::infinity() : largest;
        const double inRange = magnitude > largest ? std::copysign(limit, value) : value;
        return static_cast<D>(inRange);
    }
}

// True when the truncation of value toward zero lies within the int32 range (false for NaN).
template <typename F>
inline bool TruncationFitsInt32(F value) {
    if constexpr (std::is_same_v<F, float>) {
        // No float lies strictly between -2^31 - 1 and -2^31. The & (not &&) keeps this branch-free.
        return (value >= -2147483648.0f) & (value < 2147483648.0f);
    } else {
        return (value > -2147483649.0) & (value < 2147483648.0);
    }
}

// Float to int32 by truncation toward zero; NaN, the infinities and every value whose
// truncation lies outside the int32 range give -2147483648.
template <typename F>
inline int32_t TruncateThrough32(F value) {
    const bool inRange = TruncationFitsInt32(value);
    const int32_t truncated = static_cast<int32_t>(inRange ? value : F{0});
    return inRange ? truncated : std::numeric_limits<int32_t>::min();
}

// Float to int64 by truncation toward zero; NaN, the infinities and every value whose
// truncation lies outside the int64 range give -2^63.
template <typename F>
inline int64_t TruncateThrough64(F value) {
    // Neither float nor double holds a value strictly between -2^63 - 1 and -2^63.
    const bool inRange = value >= static_cast<F>(-NUMCONV_TWO_POW_63) && value < static_cast<F>(NUMCONV_TWO_POW_63);
    const int64_t truncated = static_cast<int64_t>(inRange ? value : F{0});
    return inRange ? truncated : std::numeric_limits<int64_t>::min();
}

// Float to uint64: a value of at least 2^63 has 2^63 subtracted in its own precision and the
// result is 2^63 plus the int64 truncation of the difference, or 2^63 when the difference is
// still at least 2^63. Any smaller value (negative and NaN included) gives its int64
// truncation read as unsigned. Setting the high bit is the addition of 2^63 here, since the
// truncation of the difference is either below 2^63 or exactly 2^63 (its out-of-range value).
template <typename F>
inline uint64_t TruncateToUInt64(F value) {
    constexpr F twoPow63 = static_cast<F>(NUMCONV_TWO_POW_63);
    const bool high = value >= twoPow63;
    const F reduced = high ? value - twoPow63 : value;
    const uint64_t truncated = static_cast<uint64_t>(TruncateThrough64(reduced));
    return truncated | (high ? NUMCONV_HIGH_BIT_64 : uint64_t{0});
}

// Float to integer: int8, int16 and int32 receive the low bits of the 32-bit truncation;
// uint8, uint16, uint32 and int64 those of the 64-bit truncation; uint64 its own route.
template <typename D, typename F>
inline D ConvertFloatToInteger(F value) {
    static_assert(std::is_floating_point_v<F> && std::is_integral_v<D>);
    if constexpr (std::is_same_v<D, uint64_t>) {
        return TruncateToUInt64(value);
    } else if constexpr (std::is_signed_v<D> && sizeof(D) <= 4) {
        return static_cast<D>(TruncateThrough32(value));
    } else {
        return static_cast<D>(TruncateThrough64(value));
    }
}

// Converts one number of kind S to kind D by the rule for that pair of kinds.
template <typename D, typename S>
inline D ConvertNumberElement(S value) {
    if constexpr (std::is_integral_v<S> && std::is_integral_v<D>) {
        return ConvertIntegerToInteger<D>(value);
    } else if constexpr (std::is_integral_v<S>) {
        return ConvertIntegerToFloat<D>(value);
    } else if constexpr (std::is_floating_point_v<D>) {
        return ConvertFloatToFloat<D>(value);
    } else {
        return ConvertFloatToInteger<D>(value);
    }
}

// Pairs with a 32-bit route: float to the kinds reached through the 64-bit truncation, and
// int64 or uint64 to float. For values that fit int32 the route through int32 gives the same
// result as ConvertNumberElement and, unlike the general conversion, has vector instructions
// on every x86-64 processor.
template <typename S, typename D>
inline constexpr bool NUMCONV_HAS_NARROW_ROUTE =
    (std::is_floating_point_v<S> && std::is_integral_v<D> && !(std::is_signed_v<D> && sizeof(D) <= 4)) ||
    (std::is_integral_v<S> && sizeof(S) == 8 && std::is_floating_point_v<D>);

// The first half of the 32-bit route: value as an int32, with misfits set nonzero when the
// route may not hold for it (a float whose truncation is -2^31 or lies outside int32, NaN
// included; an int64 outside int32; a uint64 of 2^31 or more). For values that fit, the
// second half, static_cast<D> of the int32, gives the result of ConvertNumberElement.
template <typename S>
inline int32_t ReduceToNarrowRoute(S value, int32_t& misfits) {
    if constexpr (std::is_floating_point_v<S>) {
        const int32_t truncated = TruncateThrough32(value);
        misfits |= truncated == std::numeric_limits<int32_t>::min() ? 1 : 0;
        return truncated;
    } else {
        // Tested as 32-bit halves, which vectorise where 64-bit comparisons do not.
        const auto high = static_cast<int32_t>(static_cast<uint64_t>(value) >> 32);
        const auto low = static_cast<int32_t>(value);
        misfits |= std::is_signed_v<S> ? (high ^ (low >> 31)) : (high | (low >> 31));
        return low;
    }
}

// For a float64 given by its bit pattern: its magnitude bits less those of 0x47EFFFFF00000000
// (just under FLT_MAX), negative exactly when the value lies safely within float32's finite
// range; infinities and NaN give values of zero or more. A value for which this is negative
// narrows to float32 by a plain cast, with no range test. Plain 64-bit integer arithmetic
// vectorises with SSE2 alone, where 64-bit comparisons do not.
inline int64_t Float32RangeExcess(uint64_t bits) {
    constexpr uint64_t magnitudeMask = 0x7FFFFFFFFFFFFFFFu;
    constexpr uint64_t limit = 0x47EFFFFF00000000u;
    return static_cast<int64_t>((bits & magnitudeMask) - limit);
}

// Rounds half away from zero: ceil(x - 0.5) below zero, floor(x + 0.5) otherwise (minus zero
// and NaN included); the sum is rounded to float64 before floor or ceil applies.
inline double RoundElementHalfAwayFromZero(double x) {
    return x < 0.0 ? std::ceil(x - 0.5) : std::floor(x + 0.5);
}
