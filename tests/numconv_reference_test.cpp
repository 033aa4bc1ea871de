// Checks every conversion loop and every in-place loop against a plain scalar model of the
// element rules, written here from scratch: integers are handled as exact 128-bit values,
// rounding to a float precision is done bit by bit, and float64-to-float32 narrowing searches
// the float32 bit patterns. Each special value is placed at every position of a block longer
// than one run of the loops, between separate buffers and within one shared buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "numconv/conversion_dispatch.h"
#include "numconv/rescale.h"

namespace {

__extension__ using Int128 = __int128;
__extension__ using UInt128 = unsigned __int128;

struct ModelKind {
    const char* name;
    int32_t bytes;
    int32_t form;  // 1 signed, 2 unsigned, 3 float
    int32_t typeCode;
};

const ModelKind MODEL_KINDS[10] = {
    {"int8", 1, 1, 0x08},  {"uint8", 1, 2, 0x48},  {"int16", 2, 1, 0x10},   {"uint16", 2, 2, 0x50},
    {"int32", 4, 1, 0x20}, {"uint32", 4, 2, 0x60}, {"int64", 8, 1, 0x80},   {"uint64", 8, 2, 0xC0},
    {"float32", 4, 3, 0x02}, {"float64", 8, 3, 0x04},
};

constexpr int32_t MODEL_FLOAT32 = 8;
constexpr int32_t MODEL_FLOAT64 = 9;

// Longer than one run of the loops (512 elements) and than any vector register.
constexpr int64_t BLOCK_ELEMENTS = 600;

Int128 PowerOfTwo(int exponent) { return Int128{1} << exponent; }

// ---- The model -------------------------------------------------------------------------

// The integer an integer element holds.
Int128 ReadModelInteger(const ModelKind& kind, const unsigned char* bytes) {
    uint64_t raw = 0;
    std::memcpy(&raw, bytes, static_cast<size_t>(kind.bytes));  // little-endian machine
    const int bits = 8 * kind.bytes;
    Int128 value = bits == 64 ? Int128(raw) : Int128(raw & ((uint64_t{1} << bits) - 1));
    if (kind.form == 1 && value >= PowerOfTwo(bits - 1)) value -= PowerOfTwo(bits);
    return value;
}

// Stores value modulo 2^bits, the low bits of its two's complement.
void WriteModelInteger(const ModelKind& kind, Int128 value, unsigned char* bytes) {
    const UInt128 wrapped = UInt128(value);
    for (int32_t i = 0; i < kind.bytes; ++i) bytes[i] = static_cast<unsigned char>(wrapped >> (8 * i));
}

double ReadModelFloat(const ModelKind& kind, const unsigned char* bytes) {
    if (kind.bytes == 4) {
        float value;
        std::memcpy(&value, bytes, 4);
        return value;
    }
    double value;
    std::memcpy(&value, bytes, 8);
    return value;
}

// value must already be representable in the kind (or be an infinity or NaN).
void WriteModelFloat(const ModelKind& kind, double value, unsigned char* bytes) {
    if (kind.bytes == 4) {
        const float narrow = static_cast<float>(value);
        std::memcpy(bytes, &narrow, 4);
    } else {
        std::memcpy(bytes, &value, 8);
    }
}

// Rounds an exact integer to `precision` significant bits, to nearest, ties to even.
double RoundIntegerToPrecision(Int128 value, int precision) {
    const bool negative = value < 0;
    UInt128 magnitude = negative ? UInt128(-value) : UInt128(value);
    int length = 0;
    while (length < 128 && (magnitude >> length) != 0) ++length;
    int shift = length > precision ? length - precision : 0;
    if (shift > 0) {
        const UInt128 dropped = magnitude & ((UInt128{1} << shift) - 1);
        const UInt128 half = UInt128{1} << (shift - 1);
        magnitude >>= shift;
        if (dropped > half || (dropped == half && (magnitude & 1) != 0)) ++magnitude;
    }
    const double result = std::ldexp(static_cast<double>(uint64_t(magnitude)), shift);
    return negative ? -result : result;
}

float Float32FromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// Float64 to float32 by search: the two float32 neighbours of x are found among the ordered
// bit patterns and the nearer one is taken; a tie goes to the even pattern. Past FLT_MAX the
// upper neighbour is 2^128, which stands for infinity.
double NarrowModelToFloat32(double x) {
    if (std::isnan(x)) return x;
    if (x < 0 || (x == 0 && std::signbit(x))) return -NarrowModelToFloat32(-x);
    const double twoPow128 = std::ldexp(1.0, 128);
    if (x >= twoPow128) return std::numeric_limits<double>::infinity();
    uint32_t low = 0, high = 0x7F7FFFFFu;  // largest pattern whose value is <= x
    while (low < high) {
        const uint32_t middle = low + (high - low + 1) / 2;
        if (double(Float32FromBits(middle)) <= x) low = middle; else high = middle - 1;
    }
    const double below = Float32FromBits(low);
    const double above = low == 0x7F7FFFFFu ? twoPow128 : double(Float32FromBits(low + 1));
    const double downward = x - below, upward = above - x;  // both exact
    const bool takeAbove = upward < downward || (upward == downward && (low & 1) != 0);
    if (!takeAbove) return below;
    return above == twoPow128 ? std::numeric_limits<double>::infinity() : above;
}

// Truncation toward zero into [low, high], `outside` for NaN, infinities and values beyond.
Int128 TruncateModel(double x, Int128 low, Int128 high, Int128 outside) {
    if (std::isnan(x) || std::isinf(x) || std::fabs(x) >= 0x1p100) return outside;
    const Int128 truncated = static_cast<Int128>(std::trunc(x));
    return truncated < low || truncated > high ? outside : truncated;
}

Int128 TruncateModel32(double x) { return TruncateModel(x, -PowerOfTwo(31), PowerOfTwo(31) - 1, -PowerOfTwo(31)); }
Int128 TruncateModel64(double x) { return TruncateModel(x, -PowerOfTwo(63), PowerOfTwo(63) - 1, -PowerOfTwo(63)); }

// The uint64 route, with the comparison and subtraction in the source's own precision.
Int128 TruncateModelUnsigned64(double x, bool fromFloat32) {
    double excess;
    if (fromFloat32) {
        const float narrow = static_cast<float>(x);  // x came from a float32: exact
        if (!(narrow >= 0x1p63f)) return TruncateModel64(x);
        excess = narrow - 0x1p63f;
        if (static_cast<float>(excess) >= 0x1p63f) return PowerOfTwo(63);
    } else {
        if (!(x >= 0x1p63)) return TruncateModel64(x);
        excess = x - 0x1p63;
        if (excess >= 0x1p63) return PowerOfTwo(63);
    }
    return PowerOfTwo(63) + TruncateModel64(excess);
}

// An integer as a float of the given precision; uint64 through its signed reading plus 2^64.
double IntegerToModelFloat(const ModelKind& source, Int128 value, int precision) {
    if (source.bytes == 8 && source.form == 2) {
        const Int128 signedReading = value >= PowerOfTwo(63) ? value - PowerOfTwo(64) : value;
        const double converted = RoundIntegerToPrecision(signedReading, precision);
        if (signedReading >= 0) return converted;
        return RoundIntegerToPrecision(static_cast<Int128>(converted) + PowerOfTwo(64), precision);
    }
    return RoundIntegerToPrecision(value, precision);
}

int PrecisionOf(const ModelKind& kind) { return kind.bytes == 4 ? 24 : 53; }

// A float value into an integer kind.
Int128 FloatToModelInteger(const ModelKind& destination, double x, bool fromFloat32) {
    if (destination.bytes == 8 && destination.form == 2) return TruncateModelUnsigned64(x, fromFloat32);
    if (destination.form == 1 && destination.bytes <= 4) return TruncateModel32(x);
    return TruncateModel64(x);
}

// One element from kind `source` at `in` to kind `destination` at `out`.
void ConvertModelElement(int32_t sourceIndex, int32_t destinationIndex, const unsigned char* in,
                         unsigned char* out) {
    const ModelKind& source = MODEL_KINDS[sourceIndex];
    const ModelKind& destination = MODEL_KINDS[destinationIndex];
    if (source.form != 3) {
        const Int128 value = ReadModelInteger(source, in);
        if (destination.form != 3) {
            WriteModelInteger(destination, value, out);
        } else {
            WriteModelFloat(destination, IntegerToModelFloat(source, value, PrecisionOf(destination)), out);
        }
        return;
    }
    const double x = ReadModelFloat(source, in);
    if (destination.form == 3) {
        WriteModelFloat(destination, destination.bytes == 4 ? NarrowModelToFloat32(x) : x, out);
    } else {
        WriteModelInteger(destination, FloatToModelInteger(destination, x, source.bytes == 4), out);
    }
}

double ReadModelAsFloat64(int32_t kindIndex, const unsigned char* in) {
    if (kindIndex == MODEL_FLOAT64) return ReadModelFloat(MODEL_KINDS[MODEL_FLOAT64], in);
    unsigned char bytes[8];
    ConvertModelElement(kindIndex, MODEL_FLOAT64, in, bytes);
    return ReadModelFloat(MODEL_KINDS[MODEL_FLOAT64], bytes);
}

void WriteModelFromFloat64(int32_t kindIndex, double value, unsigned char* out) {
    unsigned char bytes[8];
    std::memcpy(bytes, &value, 8);
    if (kindIndex == MODEL_FLOAT64) std::memcpy(out, bytes, 8);
    else ConvertModelElement(MODEL_FLOAT64, kindIndex, bytes, out);
}

// ---- Special values --------------------------------------------------------------------

std::vector<Int128> SpecialIntegers() {
    std::vector<Int128> magnitudes = {0, 1, 2, 3, 5, 100, 127, 128, 129, 200, 255, 256, 257, 4464, 32767, 32768,
                                      32769, 52719, 65535, 65536, 65537, 70000, 0x1234567890ABCDEF};
    for (int e : {24, 31, 32, 40, 53, 62, 63, 64}) {
        for (int d : {-1, 0, 1, 2, 3}) magnitudes.push_back(PowerOfTwo(e) + d);
    }
    // Float32 and float64 ties and their neighbours at several magnitudes.
    for (int e : {31, 40, 62, 63}) {
        for (int spacing : {e - 23, e - 52}) {
            if (spacing < 1) continue;
            for (Int128 m : {Int128(1), Int128(3)}) {
                magnitudes.push_back(PowerOfTwo(e) + m * PowerOfTwo(spacing - 1));
                magnitudes.push_back(PowerOfTwo(e) + m * PowerOfTwo(spacing - 1) + 1);
            }
        }
    }
    magnitudes.push_back(2147483777);  // 2^31 + 129
    magnitudes.push_back(PowerOfTwo(64) - 1024);
    magnitudes.push_back(PowerOfTwo(64) - 1025);
    magnitudes.push_back(PowerOfTwo(64) - PowerOfTwo(39) - 1);
    std::vector<Int128> values;
    for (Int128 m : magnitudes) {
        values.push_back(m);
        if (m != 0) values.push_back(-m);
    }
    return values;
}

std::vector<double> SpecialDoubles() {
    const double inf = std::numeric_limits<double>::infinity();
    const double fltMax = std::numeric_limits<float>::max();
    std::vector<double> keys = {0.0, 0.5, 1.0, 1.5, 2.5, 2.9, 0.49999999999999994, 127.0, 127.5, 128.0, 200.0,
                                255.0, 255.9, 256.0, 4464.0, 32767.0, 32768.0, 65535.0, 65536.0, 70000.0,
                                16777217.0, 1.0 + 0x1p-24, 1.0 + 3 * 0x1p-24, 2147483647.0, 2147483647.5,
                                0x1p31, 2147483777.0, 3.0e9, 4294967295.0, 0x1p32, 4294967296.5, 1.0e10,
                                4503599627370497.0, 0x1p53, 0x1p62, 0x1p63, 1.5 * 0x1p63, 0x1p64, 0x1p70,
                                fltMax, fltMax + 0x1p103, 0x1p128, 1.0e300, std::numeric_limits<double>::max(),
                                0x1p-126, 0x1p-149, 0x1p-150, 3 * 0x1p-151, 1.0e-300, 0x1p-1074, inf};
    std::vector<double> values;
    for (double key : keys) {
        for (double v : {key, std::nextafter(key, -inf), std::nextafter(key, inf)}) {
            values.push_back(v);
            values.push_back(-v);
        }
    }
    values.push_back(std::numeric_limits<double>::quiet_NaN());
    values.push_back(-std::numeric_limits<double>::quiet_NaN());
    return values;
}

std::vector<float> SpecialFloats() {
    std::vector<float> values;
    for (double v : SpecialDoubles()) {
        if (std::isnan(v) || std::isinf(v)) {
            values.push_back(static_cast<float>(v));
        } else if (std::fabs(v) <= std::numeric_limits<float>::max() && NarrowModelToFloat32(v) == v) {
            const float f = static_cast<float>(v);
            for (float neighbour : {f, std::nextafter(f, -INFINITY), std::nextafter(f, INFINITY)}) {
                values.push_back(neighbour);
            }
        }
    }
    return values;
}

// The special values of a kind as element bytes, one element after the other; with a limit,
// only those strictly between -limit and limit.
std::vector<unsigned char> SpecialElements(int32_t kindIndex, double limit = 0) {
    const ModelKind& kind = MODEL_KINDS[kindIndex];
    std::vector<unsigned char> bytes;
    auto append = [&](const void* element) {
        const auto* p = static_cast<const unsigned char*>(element);
        if (limit > 0) {
            unsigned char wide[8];
            ConvertModelElement(kindIndex, MODEL_FLOAT64, p, wide);
            const double value = ReadModelFloat(MODEL_KINDS[MODEL_FLOAT64], wide);
            if (!(value > -limit && value < limit)) return;
        }
        bytes.insert(bytes.end(), p, p + kind.bytes);
    };
    if (kindIndex == MODEL_FLOAT32) {
        for (float v : SpecialFloats()) append(&v);
    } else if (kindIndex == MODEL_FLOAT64) {
        for (double v : SpecialDoubles()) append(&v);
    } else {
        const int bits = 8 * kind.bytes;
        const Int128 low = kind.form == 1 ? -PowerOfTwo(bits - 1) : 0;
        const Int128 high = kind.form == 1 ? PowerOfTwo(bits - 1) - 1 : PowerOfTwo(bits) - 1;
        std::vector<Int128> candidates = SpecialIntegers();
        for (Int128 edge : {low, high}) {
            for (Int128 d : {-1, 0, 1}) candidates.push_back(edge + d);
        }
        for (Int128 v : candidates) {
            if (v < low || v > high) continue;
            unsigned char element[8];
            WriteModelInteger(kind, v, element);
            append(element);
        }
    }
    return bytes;
}

// A block in which element i is special value (i + rotation) mod the number of specials.
std::vector<unsigned char> RotatedBlock(const std::vector<unsigned char>& specials, int32_t elementBytes,
                                        int64_t rotation) {
    const int64_t specialCount = static_cast<int64_t>(specials.size()) / elementBytes;
    std::vector<unsigned char> block(static_cast<size_t>(BLOCK_ELEMENTS * elementBytes));
    for (int64_t i = 0; i < BLOCK_ELEMENTS; ++i) {
        const int64_t pick = (i + rotation) % specialCount;
        std::memcpy(&block[size_t(i * elementBytes)], &specials[size_t(pick * elementBytes)], size_t(elementBytes));
    }
    return block;
}

std::string HexOf(const unsigned char* bytes, int32_t count) {
    std::string text;
    char digits[3];
    for (int32_t i = count - 1; i >= 0; --i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

// Equal bit patterns, or two NaNs of a float kind.
bool SameElement(const ModelKind& kind, const unsigned char* a, const unsigned char* b) {
    if (std::memcmp(a, b, size_t(kind.bytes)) == 0) return true;
    return kind.form == 3 && std::isnan(ReadModelFloat(kind, a)) && std::isnan(ReadModelFloat(kind, b));
}

// Compares a converted block with the model's, reporting at most a few mismatches.
void ExpectBlocksMatch(const ModelKind& destination, const std::vector<unsigned char>& expected,
                       const unsigned char* actual, const std::string& what, const unsigned char* sourceBlock,
                       int32_t sourceBytes, int& failures) {
    for (int64_t i = 0; i < BLOCK_ELEMENTS && failures < 5; ++i) {
        const unsigned char* want = &expected[size_t(i * destination.bytes)];
        const unsigned char* got = actual + i * destination.bytes;
        if (SameElement(destination, want, got)) continue;
        ++failures;
        ADD_FAILURE() << what << " element " << i << ": source 0x" << HexOf(sourceBlock + i * sourceBytes, sourceBytes)
                      << " expected 0x" << HexOf(want, destination.bytes) << " got 0x"
                      << HexOf(got, destination.bytes);
    }
}

// ---- Tests -----------------------------------------------------------------------------

TEST(NumconvReference, ModelAgreesWithWorkedExamples) {
    // The model itself, on values whose results are stated outright.
    struct Case {
        double value;
        int32_t destination;
        Int128 expected;
    } cases[] = {
        {200.0, 0, -56},          {-1.0, 1, 255},       {70000.0, 2, 4464},        {3.0e9, 4, -PowerOfTwo(31)},
        {3.0e9, 5, 3000000000},   {1.0e10, 5, 1410065408}, {NAN, 0, 0},            {NAN, 4, -PowerOfTwo(31)},
        {NAN, 6, -PowerOfTwo(63)}, {NAN, 7, PowerOfTwo(63)}, {-1.0, 7, PowerOfTwo(64) - 1},
        {0x1p64, 7, PowerOfTwo(63)},
    };
    for (const Case& c : cases) {
        unsigned char in[8], out[8];
        std::memcpy(in, &c.value, 8);
        ConvertModelElement(MODEL_FLOAT64, c.destination, in, out);
        const Int128 wanted = c.expected < 0 && MODEL_KINDS[c.destination].form == 2
                                  ? c.expected + PowerOfTwo(8 * MODEL_KINDS[c.destination].bytes)
                                  : c.expected;
        EXPECT_TRUE(ReadModelInteger(MODEL_KINDS[c.destination], out) == wanted)
            << c.value << " to " << MODEL_KINDS[c.destination].name;
    }
    EXPECT_EQ(NarrowModelToFloat32(1.0e300), std::numeric_limits<double>::infinity());
    EXPECT_EQ(NarrowModelToFloat32(std::numeric_limits<float>::max() + 0x1p102), std::numeric_limits<float>::max());
    EXPECT_EQ(IntegerToModelFloat(MODEL_KINDS[7], PowerOfTwo(64) - 1, 53), 0x1p64);
    EXPECT_EQ(RoundIntegerToPrecision(PowerOfTwo(53) + 1, 53), 0x1p53);
}

// Every ordered pair of different kinds, every special value at every block position, between
// separate buffers and in place, against the model. The loops take a 32-bit route for runs
// whose values all allow it: blocks of all special values never do; blocks of those strictly
// within +-2^31 always do; blocks within +-2^32 hold values just past the route's limits.
TEST(NumconvReference, EveryPairMatchesModel) {
    for (int32_t s = 0; s < 10; ++s) {
      const ModelKind& source = MODEL_KINDS[s];
      for (double limit : {0.0, 0x1p31, 0x1p32}) {
        const std::vector<unsigned char> specials = SpecialElements(s, limit);
        const int64_t specialCount = int64_t(specials.size()) / source.bytes;
        for (int32_t d = 0; d < 10; ++d) {
            if (d == s) continue;
            const ModelKind& destination = MODEL_KINDS[d];
            const int32_t widest = source.bytes > destination.bytes ? source.bytes : destination.bytes;
            const std::string pair = std::string(source.name) + " to " + destination.name +
                                     (limit > 0 ? " (values below " + std::to_string(limit) + ")" : "");
            int failures = 0;
            for (int64_t rotation = 0; rotation < specialCount && failures < 5; ++rotation) {
                const std::vector<unsigned char> block = RotatedBlock(specials, source.bytes, rotation);
                std::vector<unsigned char> expected(size_t(BLOCK_ELEMENTS * destination.bytes));
                for (int64_t i = 0; i < BLOCK_ELEMENTS; ++i) {
                    ConvertModelElement(s, d, &block[size_t(i * source.bytes)], &expected[size_t(i * destination.bytes)]);
                }

                std::vector<unsigned char> separate(expected.size(), 0xA5);
                ASSERT_EQ(0, ConvertNumbersByLayout(block.data(), separate.data(), BLOCK_ELEMENTS, source.bytes,
                                                    source.form, destination.bytes, destination.form));
                ExpectBlocksMatch(destination, expected, separate.data(), pair + " separate", block.data(),
                                  source.bytes, failures);

                std::vector<unsigned char> shared(size_t(BLOCK_ELEMENTS * widest), 0x5A);
                std::memcpy(shared.data(), block.data(), block.size());
                ASSERT_EQ(0, ConvertNumbersByLayout(shared.data(), shared.data(), BLOCK_ELEMENTS, source.bytes,
                                                    source.form, destination.bytes, destination.form));
                ExpectBlocksMatch(destination, expected, shared.data(), pair + " in place", block.data(),
                                  source.bytes, failures);
            }
        }
      }
    }
}

// The model of the in-place transforms, element by element.
struct TransformCase {
    const char* label;
    bool clipRound;  // false: RescaleNumbers
    double offset, scale, low, high;
    int32_t roundFlag;
};

// Resolves the bounds as the transform does and applies the per-element steps.
void TransformModelBlock(int32_t kindIndex, const TransformCase& c, const unsigned char* in, unsigned char* out) {
    const ModelKind& kind = MODEL_KINDS[kindIndex];
    const double inf = std::numeric_limits<double>::infinity();
    const bool doScale = !(c.offset == 0 && c.scale == 1);
    bool doClip = c.clipRound && !(c.low == -inf && c.high == inf);
    double low = c.low, high = c.high;
    if (c.clipRound && low == 0 && high == 0) {
        const double two53 = 0x1p53;
        const double lows[10] = {-128, 0, -32768, 0, -2147483648.0, 0, -two53, 0, 0, 0};
        const double highs[10] = {127, 255, 32767, 65535, 2147483647.0, 4294967295.0, two53, two53, 0, 0};
        low = lows[kindIndex];
        high = highs[kindIndex];
        if (kind.form == 3) doClip = false;
    }
    const bool touches = c.clipRound ? (doScale || doClip || c.roundFlag != 0) : doScale;
    for (int64_t i = 0; i < BLOCK_ELEMENTS; ++i) {
        const unsigned char* element = in + i * kind.bytes;
        unsigned char* result = out + i * kind.bytes;
        if (!touches) {
            std::memcpy(result, element, size_t(kind.bytes));
            continue;
        }
        double v = ReadModelAsFloat64(kindIndex, element);
        if (doScale) v = (v + c.offset) * c.scale;
        if (doClip) {
            if (v < low) v = low;  // NaN elements and NaN bounds compare false
            if (v > high) v = high;
        }
        if (c.clipRound && c.roundFlag != 0) v = v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5);
        WriteModelFromFloat64(kindIndex, v, result);
    }
}

TEST(NumconvReference, InPlaceLoopsMatchModel) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const TransformCase cases[] = {
        {"rescale offset and scale", false, 0.25, -3.0, 0, 0, 0},
        {"rescale identity", false, 0.0, 1.0, 0, 0, 0},
        {"rescale NaN scale", false, 0.0, nan, 0, 0, 0},
        {"rescale large scale", false, -1.0, 1.0e12, 0, 0, 0},
        {"round only", true, 0.0, 1.0, -inf, inf, 1},
        {"default bounds", true, 0.5, 2.0, 0.0, 0.0, 0},
        {"default bounds, rounding", true, 0.5, 2.0, -0.0, 0.0, 1},
        {"own bounds, rounding", true, -1.0, 0.5, -100.5, 1.0e6, 1},
        {"NaN low bound", true, 0.0, 1.0, nan, 3.5, 0},
        {"low above high", true, 0.0, 1.0, 10.0, -10.0, 0},
        {"nothing to do", true, 0.0, 1.0, -inf, inf, 0},
        {"scale, no clip, truncate", true, -10.0, 1.0, -inf, inf, 0},
    };
    for (int32_t k = 0; k < 10; ++k) {
        const ModelKind& kind = MODEL_KINDS[k];
        const std::vector<unsigned char> specials = SpecialElements(k);
        const int64_t specialCount = int64_t(specials.size()) / kind.bytes;
        for (const TransformCase& c : cases) {
            const std::string what = std::string(kind.name) + ", " + c.label;
            int failures = 0;
            for (int64_t rotation = 0; rotation < specialCount && failures < 5; ++rotation) {
                const std::vector<unsigned char> block = RotatedBlock(specials, kind.bytes, rotation);
                std::vector<unsigned char> expected(block.size());
                TransformModelBlock(k, c, block.data(), expected.data());
                std::vector<unsigned char> data = block;
                if (c.clipRound) {
                    RescaleClipRoundNumbers(kind.typeCode, data.data(), BLOCK_ELEMENTS, c.offset, c.scale, c.low,
                                            c.high, c.roundFlag);
                } else {
                    RescaleNumbers(kind.typeCode, data.data(), &c.offset, &c.scale, BLOCK_ELEMENTS);
                }
                ExpectBlocksMatch(kind, expected, data.data(), what, block.data(), kind.bytes, failures);
            }
        }
    }
}

}  // namespace
