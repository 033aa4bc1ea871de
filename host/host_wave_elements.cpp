// Element values of waves (messages 87 to 90): one element by dimension indices, or the whole
// wave, exchanged as 64-bit reals. The host keeps its own element codec, so a module that works
// in wave memory directly can be checked against it.
//
// Stores into integer elements truncate toward zero through a signed intermediate (32 bits for
// signed 8-, 16- and 32-bit elements, 64 bits for the others) and keep its low bits; NaN, the
// infinities and truncations outside the intermediate give its smallest value. An unsigned 64-bit
// store of 2^63 or more goes through v - 2^63 and sets the top bit; 2^64 or more stores 2^63.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "host/host_state.h"
#include "host/host_waves.h"
#include "numconv/numeric_types.h"
#include "waves/wave_messages.h"

namespace {

// Wave kinds whose elements are not numbers.
enum : int32_t { TAVRA_KIND_0100 = 0x100, TAVRA_KIND_4000 = 0x4000 };

constexpr double TWO_POW_63 = 9223372036854775808.0;
constexpr double TWO_POW_64 = 18446744073709551616.0;
// Doubles from here up round to float infinity; below it, beyond FLT_MAX, to FLT_MAX.
constexpr double FLOAT_OVERFLOW_MIDPOINT = 0x1.ffffffp127;

template <typename T>
T ReadRaw(const unsigned char* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename T>
void WriteRaw(unsigned char* at, T value)
{
    std::memcpy(at, &value, sizeof value);
}

// Truncation toward zero into a signed integer of `bits` bits (32 or 64); anything that does not
// fit, NaN included, gives the integer's smallest value.
int64_t TruncateThroughSigned(double value, int32_t bits)
{
    const double bound = bits == 32 ? 2147483648.0 : TWO_POW_63;
    const double truncated = std::trunc(value);
    if (!(truncated >= -bound && truncated < bound)) return bits == 32 ? INT32_MIN : INT64_MIN;
    return static_cast<int64_t>(truncated);
}

uint64_t TruncateToUnsigned64(double value)
{
    const uint64_t topBit = uint64_t{1} << 63;
    if (!(value >= TWO_POW_63)) return static_cast<uint64_t>(TruncateThroughSigned(value, 64));
    const double rest = value - TWO_POW_63;
    if (rest >= TWO_POW_63) return topBit;
    return topBit | static_cast<uint64_t>(std::trunc(rest));
}

float NearestFloat(double value)
{
    const double magnitude = std::fabs(value);
    if (!(magnitude > FLT_MAX)) return static_cast<float>(value);
    const float limit = magnitude >= FLOAT_OVERFLOW_MIDPOINT ? HUGE_VALF : FLT_MAX;
    return std::signbit(value) ? -limit : limit;
}

// Bytes of one scalar of a numeric base type, or 0 when the base type holds no numbers.
int32_t ScalarBytes(int32_t baseType)
{
    switch (baseType) {
    case TYPE_INT8:
    case TYPE_INT8 | TYPE_UNSIGNED: return 1;
    case TYPE_INT16:
    case TYPE_INT16 | TYPE_UNSIGNED: return 2;
    case TYPE_FLOAT32:
    case TYPE_INT32:
    case TYPE_INT32 | TYPE_UNSIGNED: return 4;
    case TYPE_FLOAT64:
    case TYPE_INT64:
    case TYPE_INT64 | TYPE_UNSIGNED: return 8;
    default: return 0;
    }
}

double ReadScalar(int32_t baseType, const unsigned char* at)
{
    switch (baseType) {
    case TYPE_FLOAT32: return ReadRaw<float>(at);
    case TYPE_FLOAT64: return ReadRaw<double>(at);
    case TYPE_INT8: return ReadRaw<int8_t>(at);
    case TYPE_INT16: return ReadRaw<int16_t>(at);
    case TYPE_INT32: return ReadRaw<int32_t>(at);
    case TYPE_INT8 | TYPE_UNSIGNED: return ReadRaw<uint8_t>(at);
    case TYPE_INT16 | TYPE_UNSIGNED: return ReadRaw<uint16_t>(at);
    case TYPE_INT32 | TYPE_UNSIGNED: return ReadRaw<uint32_t>(at);
    case TYPE_INT64: return static_cast<double>(ReadRaw<int64_t>(at));
    case TYPE_INT64 | TYPE_UNSIGNED: {
        // Read as signed, then lifted by 2^64 when negative: two roundings, as Tavra does it.
        const int64_t asSigned = ReadRaw<int64_t>(at);
        const double value = static_cast<double>(asSigned);
        return asSigned < 0 ? value + TWO_POW_64 : value;
    }
    default: return 0;
    }
}

void WriteScalar(int32_t baseType, unsigned char* at, double value)
{
    switch (baseType) {
    case TYPE_FLOAT32: WriteRaw(at, NearestFloat(value)); break;
    case TYPE_FLOAT64: WriteRaw(at, value); break;
    case TYPE_INT8: WriteRaw(at, static_cast<int8_t>(TruncateThroughSigned(value, 32))); break;
    case TYPE_INT16: WriteRaw(at, static_cast<int16_t>(TruncateThroughSigned(value, 32))); break;
    case TYPE_INT32: WriteRaw(at, static_cast<int32_t>(TruncateThroughSigned(value, 32))); break;
    case TYPE_INT8 | TYPE_UNSIGNED: WriteRaw(at, static_cast<uint8_t>(TruncateThroughSigned(value, 64))); break;
    case TYPE_INT16 | TYPE_UNSIGNED: WriteRaw(at, static_cast<uint16_t>(TruncateThroughSigned(value, 64))); break;
    case TYPE_INT32 | TYPE_UNSIGNED: WriteRaw(at, static_cast<uint32_t>(TruncateThroughSigned(value, 64))); break;
    case TYPE_INT64: WriteRaw(at, TruncateThroughSigned(value, 64)); break;
    case TYPE_INT64 | TYPE_UNSIGNED: WriteRaw(at, TruncateToUnsigned64(value)); break;
    default: break;
    }
}

// The wave a request names, or null when it is not one of this host's waves.
WaveHandle RequestWave(const HostRequest& r)
{
    auto wave = reinterpret_cast<WaveHandle>(static_cast<uintptr_t>(r.args[0]));
    return wave && !HostWaveName(wave).empty() ? wave : nullptr;
}

template <typename T>
T* RequestAddress(const HostRequest& r, int32_t i)
{
    return reinterpret_cast<T*>(static_cast<uintptr_t>(r.args[i]));
}

// The element number the indices name (dimensions the wave lacks are ignored), or -1 when an
// index lies outside its dimension or the wave has no elements.
int64_t ElementNumber(WaveHandle wave, const int64_t* indices)
{
    int64_t sizes[WAVE_MAX_DIMENSIONS];
    const int32_t count = HostWaveDimensions(wave, sizes);
    if (count == 0) return -1;
    int64_t number = 0;
    for (int32_t d = count - 1; d >= 0; --d) {
        if (indices[d] < 0 || indices[d] >= sizes[d]) return -1;
        number = number * sizes[d] + indices[d];
    }
    return number;
}

// Finds the first scalar of one element; on failure returns Tavra's error code.
int32_t LocateElement(const HostRequest& r, int32_t* baseType, unsigned char** at, bool* complex)
{
    WaveHandle wave = RequestWave(r);
    if (!wave) return HOST_ERR_NO_SUCH_WAVE;
    if (!RequestAddress<const int64_t>(r, 1) || !RequestAddress<double>(r, 2)) return HOST_ERR_BAD_ARGUMENTS;
    const int32_t type = HostWaveType(wave);
    if (type == TYPE_TEXT) return HOST_ERR_TEXT_WAVE;
    if (type == TAVRA_KIND_0100 || type == TAVRA_KIND_4000) return HOST_ERR_NON_NUMERIC_WAVE;
    const int64_t number = ElementNumber(wave, RequestAddress<const int64_t>(r, 1));
    if (number < 0) return HOST_ERR_BAD_INDEX;
    *complex = (type & TYPE_COMPLEX) != 0;
    *baseType = type & ~TYPE_COMPLEX;
    if (*baseType == TYPE_TEXT) return HOST_ERR_TEXT_WAVE;
    if (*baseType == TAVRA_KIND_0100 || *baseType == TAVRA_KIND_4000) return HOST_ERR_NON_NUMERIC_WAVE;
    const int32_t bytes = ScalarBytes(*baseType);
    if (bytes == 0) return HOST_ERR_UNHANDLED_TYPE;
    *at = static_cast<unsigned char*>(HostWaveData(wave)) + number * (*complex ? 2 : 1) * bytes;
    return 0;
}

int64_t ServeGetElement(const HostRequest& r)
{
    int32_t baseType = 0;
    unsigned char* at = nullptr;
    bool complex = false;
    if (int32_t err = LocateElement(r, &baseType, &at, &complex)) return err;
    double* value = RequestAddress<double>(r, 2);
    value[0] = ReadScalar(baseType, at);
    if (complex) value[1] = ReadScalar(baseType, at + ScalarBytes(baseType));
    return 0;
}

int64_t ServeSetElement(const HostRequest& r)
{
    int32_t baseType = 0;
    unsigned char* at = nullptr;
    bool complex = false;
    if (int32_t err = LocateElement(r, &baseType, &at, &complex)) return err;
    const double* value = RequestAddress<const double>(r, 2);
    WriteScalar(baseType, at, value[0]);
    if (complex) WriteScalar(baseType, at + ScalarBytes(baseType), value[1]);
    return 0;
}

// Describes a whole wave's scalars; on failure returns Tavra's error code.
int32_t DescribeWholeWave(const HostRequest& r, int32_t* baseType, unsigned char** data, int64_t* scalars)
{
    WaveHandle wave = RequestWave(r);
    if (!wave) return HOST_ERR_NO_SUCH_WAVE;
    if (!RequestAddress<double>(r, 1)) return HOST_ERR_BAD_ARGUMENTS;
    const int32_t type = HostWaveType(wave);
    if (type == TYPE_TEXT) return HOST_ERR_TEXT_WAVE;
    if (type == TAVRA_KIND_0100 || type == TAVRA_KIND_4000) return HOST_ERR_NON_NUMERIC_WAVE;
    *baseType = type & ~TYPE_COMPLEX;
    if (ScalarBytes(*baseType) == 0) return HOST_ERR_UNHANDLED_TYPE;
    int64_t sizes[WAVE_MAX_DIMENSIONS];
    const int32_t count = HostWaveDimensions(wave, sizes);
    int64_t points = count == 0 ? 0 : 1;
    for (int32_t d = 0; d < count; ++d) points *= sizes[d];
    *scalars = (type & TYPE_COMPLEX) ? 2 * points : points;
    *data = static_cast<unsigned char*>(HostWaveData(wave));
    return 0;
}

int64_t ServeReadAsDoubles(const HostRequest& r)
{
    int32_t baseType = 0;
    unsigned char* data = nullptr;
    int64_t scalars = 0;
    if (int32_t err = DescribeWholeWave(r, &baseType, &data, &scalars)) return err;
    double* destination = RequestAddress<double>(r, 1);
    const int32_t bytes = ScalarBytes(baseType);
    for (int64_t i = 0; i < scalars; ++i) destination[i] = ReadScalar(baseType, data + i * bytes);
    return 0;
}

int64_t ServeWriteFromDoubles(const HostRequest& r)
{
    int32_t baseType = 0;
    unsigned char* data = nullptr;
    int64_t scalars = 0;
    if (int32_t err = DescribeWholeWave(r, &baseType, &data, &scalars)) return err;
    const double* source = RequestAddress<const double>(r, 1);
    const int32_t bytes = ScalarBytes(baseType);
    for (int64_t i = 0; i < scalars; ++i) WriteScalar(baseType, data + i * bytes, source[i]);
    return 0;
}

const HostServiceEntry waveElementServices[] = {
    {MSG_GET_WAVE_ELEMENT, 3, ServeGetElement},
    {MSG_SET_WAVE_ELEMENT, 3, ServeSetElement},
    {MSG_READ_WAVE_AS_DOUBLES, 2, ServeReadAsDoubles},
    {MSG_WRITE_WAVE_FROM_DOUBLES, 2, ServeWriteFromDoubles},
};

}  // namespace

std::span<const HostServiceEntry> HostWaveElementServices()
{
    return waveElementServices;
}
