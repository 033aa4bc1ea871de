// Wave element values on both roads: layout marker 1, where the module works in wave memory,
// and marker 2, where every service is one host message. Every case runs on both, so the
// module's element codec and the host's must agree bit for bit.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "bridge/error_codes.h"
#include "host/host_waves.h"
#include "numconv/numeric_types.h"
#include "tests/bridge_fixture.h"
#include "waves/wave_elements.h"
#include "waves/wave_messages.h"

namespace {

constexpr int16_t MARKER_DIRECT = 1;
constexpr int16_t MARKER_BY_MESSAGE = 2;
constexpr double TWO_POW_63 = 9223372036854775808.0;
constexpr double TWO_POW_64 = 18446744073709551616.0;
constexpr double NOT_TOUCHED = -12345.25;  // left in caller arrays that must not be written
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();

uint64_t Bits(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double FromBits(uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint64_t FloatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

uint64_t W(const void* address)
{
    return WordFromAddress(address);
}

std::string TypeName(int32_t type)
{
    char text[16];
    std::snprintf(text, sizeof text, "type 0x%X", static_cast<unsigned>(type));
    return text;
}

// Bytes of one scalar (one part of a complex element) of a numeric type.
int32_t ScalarSize(int32_t type)
{
    return static_cast<int32_t>(HostElementBytes(type & ~TYPE_COMPLEX));
}

class WaveElementsRoads : public BridgeTest, public ::testing::WithParamInterface<int16_t> {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        HostConfig config;
        config.waveLayoutMarker = GetParam();
        StartHost(config);
    }

    bool Direct() const { return GetParam() == MARKER_DIRECT; }

    // Makes (or replaces) the wave `name` with zeroed data.
    WaveHandle MakeWave(int32_t type, std::vector<int64_t> sizes, const char* name = "elements")
    {
        WaveHandle wave = nullptr;
        EXPECT_EQ(HostMakeWave(&wave, name, type, sizes.data(), static_cast<int32_t>(sizes.size()), true), 0)
            << TypeName(type);
        return wave;
    }

    // Gives a wave a type code the host cannot make waves of, keeping its data block.
    static void ForceType(WaveHandle wave, int32_t type)
    {
        reinterpret_cast<WaveHeaderBlock*>(*wave)->numericType = static_cast<int16_t>(type);
    }

    // The raw bits of scalar i of a wave, zero-extended.
    static uint64_t RawScalar(WaveHandle wave, int32_t type, int64_t i)
    {
        uint64_t raw = 0;
        const int32_t size = ScalarSize(type);
        std::memcpy(&raw, static_cast<const unsigned char*>(HostWaveData(wave)) + i * size, size);
        return raw;
    }

    static void PutRawScalar(WaveHandle wave, int32_t type, int64_t i, uint64_t raw)
    {
        const int32_t size = ScalarSize(type);
        std::memcpy(static_cast<unsigned char*>(HostWaveData(wave)) + i * size, &raw, size);
    }

    // The road the last call took: no host call at all directly, else exactly this one message.
    void ExpectRoad(int32_t message, const std::vector<uint64_t>& words)
    {
        if (Direct()) {
            EXPECT_TRUE(HostCallLog().empty()) << "the direct road called the host";
        } else {
            std::vector<HostCall> calls = HostCallLog();
            ASSERT_EQ(calls.size(), 1u);
            ASSERT_EQ(HostCallsWithMessage(message).size(), 1u);
            EXPECT_EQ(calls[0].argCount, static_cast<int32_t>(words.size()));
            for (size_t i = 0; i < words.size(); ++i) EXPECT_EQ(calls[0].args[i], words[i]) << "word " << i;
        }
        HostClearCallLog();
    }

    int32_t Get(WaveHandle wave, const int64_t* indices, double* value)
    {
        HostClearCallLog();
        int32_t err = GetWaveElementValue(wave, indices, value);
        ExpectRoad(MSG_GET_WAVE_ELEMENT, {W(wave), W(indices), W(value)});
        return err;
    }

    int32_t Set(WaveHandle wave, const int64_t* indices, const double* value)
    {
        HostClearCallLog();
        int32_t err = SetWaveElementValue(wave, indices, value);
        ExpectRoad(MSG_SET_WAVE_ELEMENT, {W(wave), W(indices), W(value)});
        return err;
    }

    int32_t Read(WaveHandle wave, double* destination)
    {
        HostClearCallLog();
        int32_t err = ReadWaveAsDoubles(wave, destination);
        ExpectRoad(MSG_READ_WAVE_AS_DOUBLES, {W(wave), W(destination)});
        return err;
    }

    int32_t Write(WaveHandle wave, const double* source)
    {
        HostClearCallLog();
        int32_t err = WriteWaveFromDoubles(wave, source);
        ExpectRoad(MSG_WRITE_WAVE_FROM_DOUBLES, {W(wave), W(source)});
        return err;
    }
};

INSTANTIATE_TEST_SUITE_P(WaveElements, WaveElementsRoads, ::testing::Values(MARKER_DIRECT, MARKER_BY_MESSAGE),
                         [](const ::testing::TestParamInfo<int16_t>& info) {
                             return info.param == MARKER_DIRECT ? std::string("Direct") : std::string("ByMessage");
                         });

struct ReadCase {
    int32_t type;
    uint64_t raw;
    double expected;
};

const ReadCase readCases[] = {
    {TYPE_INT8, 0x80, -128},
    {TYPE_INT8, 0x7F, 127},
    {TYPE_INT8 | TYPE_UNSIGNED, 0xFF, 255},
    {TYPE_INT16, 0x8000, -32768},
    {TYPE_INT16 | TYPE_UNSIGNED, 0xFFFF, 65535},
    {TYPE_INT32, 0x80000000, -2147483648.0},
    {TYPE_INT32 | TYPE_UNSIGNED, 0xFFFFFFFF, 4294967295.0},
    {TYPE_INT64, 0x8000000000000000, -TWO_POW_63},
    {TYPE_INT64, 0xFFFFFFFFFFFFFFFF, -1},
    {TYPE_INT64, (uint64_t{1} << 53) + 1, 9007199254740992.0},  // nearest, ties to even
    {TYPE_INT64 | TYPE_UNSIGNED, 12345, 12345},
    {TYPE_INT64 | TYPE_UNSIGNED, uint64_t{1} << 63, TWO_POW_63},
    {TYPE_INT64 | TYPE_UNSIGNED, 0xFFFFFFFFFFFFFFFF, TWO_POW_64},
    // Read as signed (rounds to -2^63 + 1024), then 2^64 added (a tie, to even): not the
    // directly rounded 2^63 + 2048.
    {TYPE_INT64 | TYPE_UNSIGNED, (uint64_t{1} << 63) + 1025, TWO_POW_63},
    {TYPE_FLOAT32, FloatBits(0.1f), static_cast<double>(0.1f)},
    {TYPE_FLOAT32, FloatBits(-std::numeric_limits<float>::infinity()), -INF},
    {TYPE_FLOAT64, Bits(-0.0), -0.0},
    {TYPE_FLOAT64, 0x7FF8000000000123, FromBits(0x7FF8000000000123)},  // NaN payload kept
};

TEST_P(WaveElementsRoads, ReadsEveryKind)
{
    for (const ReadCase& c : readCases) {
        SCOPED_TRACE(TypeName(c.type) + " raw " + std::to_string(c.raw));
        WaveHandle wave = MakeWave(c.type, {3});
        PutRawScalar(wave, c.type, 1, c.raw);
        const int64_t index[1] = {1};
        double value[2] = {NOT_TOUCHED, NOT_TOUCHED};
        ASSERT_EQ(Get(wave, index, value), 0);
        EXPECT_EQ(Bits(value[0]), Bits(c.expected)) << value[0];
        EXPECT_EQ(value[1], NOT_TOUCHED) << "a real wave's read wrote the imaginary entry";

        double all[4] = {NOT_TOUCHED, NOT_TOUCHED, NOT_TOUCHED, NOT_TOUCHED};
        ASSERT_EQ(Read(wave, all), 0);
        EXPECT_EQ(Bits(all[0]), Bits(0.0));
        EXPECT_EQ(Bits(all[1]), Bits(c.expected)) << all[1];
        EXPECT_EQ(Bits(all[2]), Bits(0.0));
        EXPECT_EQ(all[3], NOT_TOUCHED);
    }
}

struct StoreCase {
    int32_t type;
    double value;
    uint64_t raw;  // the element's bits, zero-extended
};

// Integer stores truncate through a signed intermediate (32 bits for signed 8/16/32, else 64)
// and keep its low bits; NaN, infinities and values whose truncation does not fit give the
// intermediate's minimum. Unsigned 64-bit: 2^63 and up go through v - 2^63 with the top bit set.
const StoreCase storeCases[] = {
    {TYPE_INT8, 200.0, 0xC8},
    {TYPE_INT8, -1.9, 0xFF},
    {TYPE_INT8, 2147483647.5, 0xFF},  // truncation 2^31 - 1 fits the 32-bit intermediate
    {TYPE_INT8, 2147483648.0, 0x00},  // does not fit: -2^31, low bits 0
    {TYPE_INT8, NaN, 0x00},
    {TYPE_INT8 | TYPE_UNSIGNED, 300.7, 44},
    {TYPE_INT8 | TYPE_UNSIGNED, -1, 0xFF},
    {TYPE_INT8 | TYPE_UNSIGNED, 4294967303.0, 7},  // 2^32 + 7 fits the 64-bit intermediate
    {TYPE_INT8 | TYPE_UNSIGNED, 1e20, 0x00},
    {TYPE_INT16, 40000, 0x9C40},  // -25536
    {TYPE_INT16, 70000, 4464},
    {TYPE_INT16, INF, 0x0000},
    {TYPE_INT16 | TYPE_UNSIGNED, 65536.5, 0},
    {TYPE_INT16 | TYPE_UNSIGNED, -0.5, 0},
    {TYPE_INT32, 2.5, 2},
    {TYPE_INT32, -2.5, 0xFFFFFFFE},
    {TYPE_INT32, 2147483647.9, 0x7FFFFFFF},
    {TYPE_INT32, -2147483648.9, 0x80000000},
    {TYPE_INT32, 3e9, 0x80000000},
    {TYPE_INT32, NaN, 0x80000000},
    {TYPE_INT32 | TYPE_UNSIGNED, 3e9, 3000000000},
    {TYPE_INT32 | TYPE_UNSIGNED, 1e10, 1410065408},
    {TYPE_INT32 | TYPE_UNSIGNED, -1, 0xFFFFFFFF},
    {TYPE_INT32 | TYPE_UNSIGNED, NaN, 0},
    {TYPE_INT64, -3.99, 0xFFFFFFFFFFFFFFFD},
    {TYPE_INT64, 1e18, 1000000000000000000},
    {TYPE_INT64, -TWO_POW_63, 0x8000000000000000},
    {TYPE_INT64, TWO_POW_63, 0x8000000000000000},
    {TYPE_INT64, -INF, 0x8000000000000000},
    {TYPE_INT64, NaN, 0x8000000000000000},
    {TYPE_INT64 | TYPE_UNSIGNED, 5.9, 5},
    {TYPE_INT64 | TYPE_UNSIGNED, -1, 0xFFFFFFFFFFFFFFFF},
    {TYPE_INT64 | TYPE_UNSIGNED, TWO_POW_63, 0x8000000000000000},
    {TYPE_INT64 | TYPE_UNSIGNED, TWO_POW_63 + 2048, 0x8000000000000800},
    {TYPE_INT64 | TYPE_UNSIGNED, TWO_POW_64 - 2048, 0xFFFFFFFFFFFFF800},
    {TYPE_INT64 | TYPE_UNSIGNED, TWO_POW_64, 0x8000000000000000},
    {TYPE_INT64 | TYPE_UNSIGNED, 1e30, 0x8000000000000000},
    {TYPE_INT64 | TYPE_UNSIGNED, INF, 0x8000000000000000},
    {TYPE_INT64 | TYPE_UNSIGNED, NaN, 0x8000000000000000},
    {TYPE_FLOAT32, 0.1, FloatBits(0.1f)},
    {TYPE_FLOAT32, 0x1.fffffep127, 0x7F7FFFFF},   // the largest float
    {TYPE_FLOAT32, 0x1.fffffe8p127, 0x7F7FFFFF},  // beyond it, nearer to it than to the midpoint
    {TYPE_FLOAT32, 0x1.ffffffp127, 0x7F800000},   // the midpoint rounds to infinity
    {TYPE_FLOAT32, -1e300, 0xFF800000},
    {TYPE_FLOAT32, NaN, 0x7FC00000},
    {TYPE_FLOAT64, -0.0, 0x8000000000000000},
    {TYPE_FLOAT64, FromBits(0x7FF8000000000123), 0x7FF8000000000123},
};

TEST_P(WaveElementsRoads, StoresEveryKindAndWholeWaveWritesAgree)
{
    for (const StoreCase& c : storeCases) {
        SCOPED_TRACE(TypeName(c.type) + " value " + std::to_string(c.value));
        WaveHandle wave = MakeWave(c.type, {3});
        const int64_t index[1] = {1};
        const double value[2] = {c.value, NOT_TOUCHED};
        ASSERT_EQ(Set(wave, index, value), 0);
        EXPECT_EQ(RawScalar(wave, c.type, 1), c.raw);
        EXPECT_EQ(RawScalar(wave, c.type, 0), 0u) << "the store spilled below the element";
        EXPECT_EQ(RawScalar(wave, c.type, 2), 0u) << "the store spilled past the element";

        // The whole-wave write must leave the same bits as the single-element store.
        wave = MakeWave(c.type, {3});
        const double all[3] = {c.value, c.value, c.value};
        ASSERT_EQ(Write(wave, all), 0);
        for (int64_t i = 0; i < 3; ++i) EXPECT_EQ(RawScalar(wave, c.type, i), c.raw) << "element " << i;
    }
}

const int32_t numericKinds[] = {
    TYPE_FLOAT32, TYPE_FLOAT64, TYPE_INT8, TYPE_INT16, TYPE_INT32,
    TYPE_INT8 | TYPE_UNSIGNED, TYPE_INT16 | TYPE_UNSIGNED, TYPE_INT32 | TYPE_UNSIGNED,
    TYPE_INT64, TYPE_INT64 | TYPE_UNSIGNED,
};

TEST_P(WaveElementsRoads, ComplexElementsAreRealThenImaginary)
{
    for (int32_t base : numericKinds) {
        const int32_t type = base | TYPE_COMPLEX;
        SCOPED_TRACE(TypeName(type));
        WaveHandle wave = MakeWave(type, {3});
        const int64_t index[1] = {1};
        const double stored[2] = {7, 3};
        ASSERT_EQ(Set(wave, index, stored), 0);

        double all[7];
        std::fill(all, all + 7, NOT_TOUCHED);
        ASSERT_EQ(Read(wave, all), 0);
        const double expected[7] = {0, 0, 7, 3, 0, 0, NOT_TOUCHED};
        for (int i = 0; i < 7; ++i) EXPECT_EQ(all[i], expected[i]) << "scalar " << i;

        const double source[6] = {1, 2, 3, 4, 5, 6};
        ASSERT_EQ(Write(wave, source), 0);
        const int64_t last[1] = {2};
        double value[2] = {NOT_TOUCHED, NOT_TOUCHED};
        ASSERT_EQ(Get(wave, last, value), 0);
        EXPECT_EQ(value[0], 5);
        EXPECT_EQ(value[1], 6);
    }
}

TEST_P(WaveElementsRoads, ComplexFloatReadsTwoConsecutiveFloats)
{
    WaveHandle wave = MakeWave(TYPE_FLOAT32 | TYPE_COMPLEX, {2});
    const float parts[4] = {1.5f, -2.25f, 0.1f, -0.0f};
    std::memcpy(HostWaveData(wave), parts, sizeof parts);
    const int64_t index[1] = {1};
    double value[2] = {NOT_TOUCHED, NOT_TOUCHED};
    ASSERT_EQ(Get(wave, index, value), 0);
    EXPECT_EQ(value[0], static_cast<double>(0.1f));
    EXPECT_EQ(Bits(value[1]), Bits(-0.0));
}

TEST_P(WaveElementsRoads, ComplexInt16WaveOfFiveReadsTenReals)
{
    WaveHandle wave = MakeWave(TYPE_INT16 | TYPE_COMPLEX, {5});
    for (int64_t i = 0; i < 10; ++i) PutRawScalar(wave, TYPE_INT16, i, static_cast<uint16_t>(-i));
    double all[11];
    std::fill(all, all + 11, NOT_TOUCHED);
    ASSERT_EQ(Read(wave, all), 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(all[i], -i) << "scalar " << i;
    EXPECT_EQ(all[10], NOT_TOUCHED);
}

struct IndexCase {
    std::vector<int64_t> indices;
    int32_t result;
    int64_t linear;  // for result 0: the element the indices name
};

TEST_P(WaveElementsRoads, IndicesNameElementsDimensionZeroFastest)
{
    const struct {
        std::vector<int64_t> sizes;
        std::vector<IndexCase> cases;
    } shapes[] = {
        {{3, 4},
         {{{2, 1}, 0, 5},
          {{0, 0}, 0, 0},
          {{2, 3}, 0, 11},
          {{3, 0}, ERR_INDEX_OUT_OF_RANGE, 0},
          {{0, -1}, ERR_INDEX_OUT_OF_RANGE, 0},
          {{0, 4}, ERR_INDEX_OUT_OF_RANGE, 0},
          {{-1, 0}, ERR_INDEX_OUT_OF_RANGE, 0}}},
        // Entries for dimensions the wave lacks are ignored.
        {{10}, {{{9, 12345}, 0, 9}, {{10, 0}, ERR_INDEX_OUT_OF_RANGE, 0}}},
        {{2, 3, 4, 5},
         {{{1, 2, 3, 4}, 0, 119}, {{1, 2, 3, 5}, ERR_INDEX_OUT_OF_RANGE, 0}, {{1, 2, 4, 0}, ERR_INDEX_OUT_OF_RANGE, 0}}},
        // A wave without elements has nothing any index could name.
        {{}, {{{0, 0, 0, 0}, ERR_INDEX_OUT_OF_RANGE, 0}}},
    };
    for (const auto& shape : shapes) {
        WaveHandle wave = MakeWave(TYPE_INT16, shape.sizes);
        int64_t points = shape.sizes.empty() ? 0 : 1;
        for (int64_t size : shape.sizes) points *= size;
        for (const IndexCase& c : shape.cases) {
            SCOPED_TRACE(::testing::PrintToString(shape.sizes) + " at " + ::testing::PrintToString(c.indices));
            std::vector<int64_t> indices = c.indices;
            indices.resize(4, 0);
            const double stored[2] = {static_cast<double>(c.linear + 100), NOT_TOUCHED};
            ASSERT_EQ(Set(wave, indices.data(), stored), c.result);
            double value[2] = {NOT_TOUCHED, NOT_TOUCHED};
            ASSERT_EQ(Get(wave, indices.data(), value), c.result);
            if (c.result == 0) {
                EXPECT_EQ(RawScalar(wave, TYPE_INT16, c.linear), static_cast<uint64_t>(c.linear + 100));
                EXPECT_EQ(value[0], c.linear + 100);
            } else {
                EXPECT_EQ(value[0], NOT_TOUCHED) << "a refused read wrote the value";
            }
            EXPECT_EQ(value[1], NOT_TOUCHED);
        }
        // Only the successful stores changed the data.
        std::vector<double> all(static_cast<size_t>(points) + 1, NOT_TOUCHED);
        ASSERT_EQ(Read(wave, all.data()), 0);
        int64_t written = 0;
        for (const IndexCase& c : shape.cases) written += c.result == 0 ? 1 : 0;
        int64_t nonzero = 0;
        for (int64_t i = 0; i < points; ++i) nonzero += all[static_cast<size_t>(i)] != 0 ? 1 : 0;
        EXPECT_EQ(nonzero, written);
        EXPECT_EQ(all.back(), NOT_TOUCHED);
    }
}

struct TypeErrorCase {
    int32_t type;
    int32_t single;          // Get and Set with a good index
    int32_t singleBadIndex;  // Get and Set with an index outside the wave
    int32_t whole;           // Read and Write
};

// Text and the non-numeric kinds are refused before the indices are looked at; any other type
// outside the dispatch table only after them. The whole-wave services refuse every complex
// variant of text or the non-numeric kinds as unhandled.
const TypeErrorCase typeErrorCases[] = {
    {TYPE_TEXT, ERR_TEXT_WAVE, ERR_TEXT_WAVE, ERR_TEXT_WAVE},
    {0x100, ERR_NON_NUMERIC_WAVE, ERR_NON_NUMERIC_WAVE, ERR_NON_NUMERIC_WAVE},
    {0x4000, ERR_NON_NUMERIC_WAVE, ERR_NON_NUMERIC_WAVE, ERR_NON_NUMERIC_WAVE},
    {TYPE_COMPLEX, ERR_TEXT_WAVE, ERR_INDEX_OUT_OF_RANGE, ERR_NUMERIC_TYPE_UNHANDLED},
    {0x101, ERR_NON_NUMERIC_WAVE, ERR_INDEX_OUT_OF_RANGE, ERR_NUMERIC_TYPE_UNHANDLED},
    {0x4001, ERR_NON_NUMERIC_WAVE, ERR_INDEX_OUT_OF_RANGE, ERR_NUMERIC_TYPE_UNHANDLED},
    {TYPE_FLOAT32 | TYPE_UNSIGNED, ERR_NUMERIC_TYPE_UNHANDLED, ERR_INDEX_OUT_OF_RANGE, ERR_NUMERIC_TYPE_UNHANDLED},
    {TYPE_INT8 | TYPE_FLOAT64, ERR_NUMERIC_TYPE_UNHANDLED, ERR_INDEX_OUT_OF_RANGE, ERR_NUMERIC_TYPE_UNHANDLED},
    {0x200, ERR_NUMERIC_TYPE_UNHANDLED, ERR_INDEX_OUT_OF_RANGE, ERR_NUMERIC_TYPE_UNHANDLED},
    {0x201, ERR_NUMERIC_TYPE_UNHANDLED, ERR_INDEX_OUT_OF_RANGE, ERR_NUMERIC_TYPE_UNHANDLED},
};

TEST_P(WaveElementsRoads, RefusedTypesTouchNothing)
{
    for (const TypeErrorCase& c : typeErrorCases) {
        SCOPED_TRACE(TypeName(c.type));
        WaveHandle wave = MakeWave(TYPE_FLOAT64, {4});
        ForceType(wave, c.type);
        const int64_t good[1] = {1};
        const int64_t bad[1] = {4};
        const double stored[2] = {42, 43};
        double value[2] = {NOT_TOUCHED, NOT_TOUCHED};
        EXPECT_EQ(Get(wave, good, value), c.single);
        EXPECT_EQ(Set(wave, good, stored), c.single);
        EXPECT_EQ(Get(wave, bad, value), c.singleBadIndex);
        EXPECT_EQ(Set(wave, bad, stored), c.singleBadIndex);
        EXPECT_EQ(value[0], NOT_TOUCHED);
        EXPECT_EQ(value[1], NOT_TOUCHED);

        double all[8];
        std::fill(all, all + 8, NOT_TOUCHED);
        EXPECT_EQ(Read(wave, all), c.whole);
        for (double v : all) EXPECT_EQ(v, NOT_TOUCHED);
        const double source[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(Write(wave, source), c.whole);
        for (int64_t i = 0; i < 4; ++i) EXPECT_EQ(RawScalar(wave, TYPE_FLOAT64, i), 0u) << "element " << i;
    }
}

TEST_P(WaveElementsRoads, EmptyWaveReadsAndWritesNothing)
{
    WaveHandle wave = MakeWave(TYPE_FLOAT64 | TYPE_COMPLEX, {});
    double all[2] = {NOT_TOUCHED, NOT_TOUCHED};
    EXPECT_EQ(Read(wave, all), 0);
    EXPECT_EQ(Write(wave, all), 0);
    EXPECT_EQ(all[0], NOT_TOUCHED);
}

TEST_P(WaveElementsRoads, WholeWaveFollowsElementOrder)
{
    WaveHandle wave = MakeWave(TYPE_INT32 | TYPE_UNSIGNED, {3, 4});
    double source[12];
    for (int i = 0; i < 12; ++i) source[i] = 10 * i;
    ASSERT_EQ(Write(wave, source), 0);
    for (int64_t i1 = 0; i1 < 4; ++i1)
        for (int64_t i0 = 0; i0 < 3; ++i0) {
            const int64_t indices[2] = {i0, i1};
            double value[2] = {NOT_TOUCHED, NOT_TOUCHED};
            ASSERT_EQ(Get(wave, indices, value), 0);
            EXPECT_EQ(value[0], 10 * (i0 + 3 * i1)) << i0 << "," << i1;
        }
}

// A handle that is not a wave of the host's is for the host to judge, whatever the layout.
TEST_P(WaveElementsRoads, UnknownWaveGoesToTheHost)
{
    const int64_t index[1] = {0};
    double value[2] = {NOT_TOUCHED, NOT_TOUCHED};
    HostClearCallLog();
    EXPECT_EQ(GetWaveElementValue(nullptr, index, value), HOST_ERR_NO_SUCH_WAVE);
    EXPECT_EQ(SetWaveElementValue(nullptr, index, value), HOST_ERR_NO_SUCH_WAVE);
    EXPECT_EQ(ReadWaveAsDoubles(nullptr, value), HOST_ERR_NO_SUCH_WAVE);
    EXPECT_EQ(WriteWaveFromDoubles(nullptr, value), HOST_ERR_NO_SUCH_WAVE);
    for (int32_t message : {MSG_GET_WAVE_ELEMENT, MSG_SET_WAVE_ELEMENT, MSG_READ_WAVE_AS_DOUBLES,
                            MSG_WRITE_WAVE_FROM_DOUBLES})
        EXPECT_EQ(HostCallsWithMessage(message).size(), 1u) << message;
    EXPECT_EQ(value[0], NOT_TOUCHED);
}

// The direct path's parts, called on their own.
class WaveElementsParts : public BridgeTest {};

TEST_F(WaveElementsParts, ComputeElementOffsetGivesTheLinearIndex)
{
    StartHost(HostConfig());
    WaveHandle wave = nullptr;
    const int64_t sizes[2] = {3, 4};
    ASSERT_EQ(HostMakeWave(&wave, "offsets", TYPE_INT16, sizes, 2, true), 0);
    HostClearCallLog();
    int64_t linear = -1;
    const int64_t inside[2] = {2, 1};
    EXPECT_EQ(ComputeElementOffset(wave, inside, &linear), 0);
    EXPECT_EQ(linear, 5);
    const int64_t outside[2] = {3, 0};
    EXPECT_EQ(ComputeElementOffset(wave, outside, &linear), ERR_INDEX_OUT_OF_RANGE);
    EXPECT_TRUE(HostCallLog().empty());
}

TEST_F(WaveElementsParts, FetchAndStoreRefuseTypesOutsideTheTable)
{
    double data[2] = {};
    double value[2] = {NOT_TOUCHED, NOT_TOUCHED};
    const struct {
        int32_t type;
        int32_t result;
    } cases[] = {
        {TYPE_TEXT, ERR_TEXT_WAVE}, {TYPE_COMPLEX, ERR_TEXT_WAVE},         {0x100, ERR_NON_NUMERIC_WAVE},
        {0x101, ERR_NON_NUMERIC_WAVE}, {0x4000, ERR_NON_NUMERIC_WAVE},    {0x4001, ERR_NON_NUMERIC_WAVE},
        {0x42, ERR_NUMERIC_TYPE_UNHANDLED}, {0x300, ERR_NUMERIC_TYPE_UNHANDLED}, {-2, ERR_NUMERIC_TYPE_UNHANDLED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(TypeName(c.type));
        EXPECT_EQ(FetchElementAsDouble(c.type, data, 0, value), c.result);
        EXPECT_EQ(StoreElementFromDouble(c.type, data, 0, value), c.result);
        EXPECT_EQ(value[0], NOT_TOUCHED);
        EXPECT_EQ(Bits(data[0]), 0u);
    }
}

}  // namespace
