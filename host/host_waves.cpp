// Wave store and wave messages of the stand-in host.
#include "host/host_waves.h"

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "host/host_state.h"
#include "numconv/numeric_types.h"
#include "waves/wave_messages.h"

namespace {

struct HostWaveMeta {
    std::string name;
    double steps[WAVE_MAX_DIMENSIONS];
    double offsets[WAVE_MAX_DIMENSIONS];
    std::string units[WAVE_MAX_DIMENSIONS];
    std::string dataUnits;
};

// Waves of the current data folder, in creation order, with their metadata.
std::vector<std::pair<WaveHandle, HostWaveMeta>>& Waves()
{
    static std::vector<std::pair<WaveHandle, HostWaveMeta>> waves;
    return waves;
}

HostWaveMeta* Meta(WaveHandle wave)
{
    for (auto& [handle, meta] : Waves())
        if (handle == wave) return &meta;
    return nullptr;
}

WaveHeaderBlock* Header(WaveHandle wave)
{
    return reinterpret_cast<WaveHeaderBlock*>(*wave);
}

void DefaultScaling(HostWaveMeta* meta)
{
    for (int32_t i = 0; i < WAVE_MAX_DIMENSIONS; ++i) {
        meta->steps[i] = 1;
        meta->offsets[i] = 0;
    }
}

// Checks the sizes and returns the element count, or -1 when they are not a valid shape.
int64_t ElementCount(const int64_t* sizes, int32_t count, int64_t elementBytes)
{
    if (count < 0 || count > WAVE_MAX_DIMENSIONS) return -1;
    int64_t points = count == 0 ? 0 : 1;
    const int64_t limit = (int64_t(1) << 40) / (elementBytes > 0 ? elementBytes : 1);
    for (int32_t i = 0; i < count; ++i) {
        if (sizes[i] <= 0) return -1;
        if (points > limit / sizes[i]) return -1;
        points *= sizes[i];
    }
    return points;
}

// Gives the handle a fresh block for the type and sizes; the old block, if any, is freed.
int32_t BuildBlock(WaveHandle* wave, int32_t type, const int64_t* sizes, int32_t count)
{
    int64_t elementBytes = HostElementBytes(type);
    if (elementBytes == 0) return HOST_ERR_BAD_TYPE;
    int64_t points = ElementCount(sizes, count, elementBytes);
    if (points < 0) return HOST_ERR_BAD_SIZES;
    int64_t bytes = WAVE_HEADER_BYTES + points * elementBytes;
    // New blocks come zeroed; a remade wave gets a fresh block and the old one is freed.
    if (!*wave) {
        *wave = HostNewHandle(bytes);
        if (!*wave) return HOST_ERR_MEMORY_FULL;
    } else if (int32_t err = HostReplaceHandleBlock(*wave, bytes)) {
        return err;
    }
    WaveHeaderBlock* header = Header(*wave);
    header->pointCount = points;
    header->numericType = static_cast<int16_t>(type);
    header->layoutMarker = Host().config.waveLayoutMarker;
    for (int32_t i = 0; i < count; ++i) header->dimensionSizes[i] = sizes[i];
    return 0;
}

// Dimension count of an 11-entry size array: the leading nonzero entries.
int32_t CountDimensions(const int64_t* sizes)
{
    int32_t count = 0;
    while (count < WAVE_DIMENSION_ARRAY_SIZE && sizes[count] != 0) ++count;
    return count;
}

template <typename T>
T* Arg(const HostRequest& request, int32_t i)
{
    return reinterpret_cast<T*>(static_cast<uintptr_t>(request.args[i]));
}

int32_t IntArg(const HostRequest& request, int32_t i)
{
    return static_cast<int32_t>(static_cast<uint32_t>(request.args[i] & 0xFFFFFFFFu));
}

WaveHandle WaveArg(const HostRequest& request, int32_t i)
{
    auto wave = Arg<char*>(request, i);
    return Meta(wave) ? wave : nullptr;
}

int64_t ServeNumericType(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    return w ? int64_t(Header(w)->numericType) : int64_t(HOST_ERR_NO_SUCH_WAVE);
}

int64_t ServePointCount(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    return w ? Header(w)->pointCount : 0;
}

int64_t ServeDataStart(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    return w ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(*w + WAVE_HEADER_BYTES)) : 0;
}

int64_t ServeMakeDimensioned(const HostRequest& r)
{
    auto out = Arg<WaveHandle>(r, 0);
    auto name = Arg<const char>(r, 1);
    auto sizes = Arg<const int64_t>(r, 3);
    if (!out || !name || !sizes) return HOST_ERR_BAD_ARGUMENTS;
    int32_t count = CountDimensions(sizes);
    if (count > WAVE_MAX_DIMENSIONS) return HOST_ERR_BAD_SIZES;
    return HostMakeWave(out, name, IntArg(r, 4), sizes, count, IntArg(r, 5) != 0);
}

int64_t ServeMakeWithPoints(const HostRequest& r)
{
    auto out = Arg<WaveHandle>(r, 0);
    auto name = Arg<const char>(r, 1);
    if (!out || !name) return HOST_ERR_BAD_ARGUMENTS;
    const int64_t points = static_cast<int64_t>(r.args[2]);
    return HostMakeWave(out, name, IntArg(r, 3), &points, points == 0 ? 0 : 1, IntArg(r, 4) != 0);
}

int64_t ServeDimensionSizes(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    auto count = Arg<int32_t>(r, 1);
    auto sizes = Arg<int64_t>(r, 2);
    if (!w) return HOST_ERR_NO_SUCH_WAVE;
    if (!count) return HOST_ERR_BAD_ARGUMENTS;
    int64_t dims[WAVE_MAX_DIMENSIONS];
    *count = HostWaveDimensions(w, dims);
    if (sizes) {
        for (int32_t i = 0; i < WAVE_DIMENSION_ARRAY_SIZE; ++i) sizes[i] = 0;
        for (int32_t i = 0; i < *count; ++i) sizes[i] = dims[i];
    }
    return 0;
}

int64_t ServeChangeShape(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    auto sizes = Arg<const int64_t>(r, 2);
    if (!w) return HOST_ERR_NO_SUCH_WAVE;
    if (!sizes) return HOST_ERR_BAD_ARGUMENTS;
    int32_t count = CountDimensions(sizes);
    if (count > WAVE_MAX_DIMENSIONS) return HOST_ERR_BAD_SIZES;
    return BuildBlock(&w, IntArg(r, 1), sizes, count);
}

int64_t ServeGetScaling(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    auto step = Arg<double>(r, 2);
    auto offset = Arg<double>(r, 3);
    if (!w) return HOST_ERR_NO_SUCH_WAVE;
    if (!step || !offset) return HOST_ERR_BAD_ARGUMENTS;
    return HostGetWaveScaling(w, IntArg(r, 1), step, offset);
}

int64_t ServeSetScaling(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    auto step = Arg<const double>(r, 2);
    auto offset = Arg<const double>(r, 3);
    if (!w) return HOST_ERR_NO_SUCH_WAVE;
    if (!step || !offset) return HOST_ERR_BAD_ARGUMENTS;
    return HostSetWaveScaling(w, IntArg(r, 1), *step, *offset);
}

int64_t ServeGetUnits(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    auto buffer = Arg<char>(r, 2);
    int32_t dimension = IntArg(r, 1);
    if (!w) return HOST_ERR_NO_SUCH_WAVE;
    if (!buffer) return HOST_ERR_BAD_ARGUMENTS;
    if (dimension < WAVE_DATA_UNITS || dimension >= WAVE_MAX_DIMENSIONS) return HOST_ERR_BAD_DIMENSION;
    // Callers pass 64-byte buffers: units longer than that are cut.
    std::string units = HostGetWaveUnits(w, dimension).substr(0, 63);
    std::memcpy(buffer, units.c_str(), units.size() + 1);
    return 0;
}

int64_t ServeSetUnits(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    auto units = Arg<const char>(r, 2);
    if (!w) return HOST_ERR_NO_SUCH_WAVE;
    if (!units) return HOST_ERR_BAD_ARGUMENTS;
    return HostSetWaveUnits(w, IntArg(r, 1), units);
}

int64_t ServeDataOffset(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    auto offset = Arg<int64_t>(r, 2);
    if (!w) return HOST_ERR_NO_SUCH_WAVE;
    if (!offset) return HOST_ERR_BAD_ARGUMENTS;
    if (Header(w)->numericType == TYPE_TEXT) return HOST_ERR_TEXT_WAVE;
    *offset = WAVE_HEADER_BYTES;
    return 0;
}

int64_t ServeChangeShapeEx(const HostRequest& r)
{
    return ServeChangeShape(r);
}

int64_t ServeFindWave(const HostRequest& r)
{
    auto name = Arg<const char>(r, 1);
    if (r.args[0] != 0 || !name) return 0;  // only the current data folder exists here
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(HostFindWave(name)));
}

int64_t ServeBlockSize(const HostRequest& r)
{
    WaveHandle w = WaveArg(r, 0);
    if (!w) return 0;
    int64_t size = HostHandleSize(w);
    switch (IntArg(r, 1)) {
    case 0:
    case 3:
    case 4: return size;
    case 1: return WAVE_HEADER_BYTES;
    case 2: return size - WAVE_HEADER_BYTES;
    default: return 0;
    }
}

const HostServiceEntry waveServices[] = {
    {MSG_WAVE_NUMERIC_TYPE, 1, ServeNumericType},
    {MSG_WAVE_POINT_COUNT, 1, ServePointCount},
    {MSG_WAVE_DATA_START, 1, ServeDataStart},
    {MSG_MAKE_WAVE_WITH_POINTS, 5, ServeMakeWithPoints},
    {MSG_MAKE_DIMENSIONED_WAVE, 6, ServeMakeDimensioned},
    {MSG_WAVE_DIMENSION_SIZES, 3, ServeDimensionSizes},
    {MSG_CHANGE_WAVE_SHAPE, 3, ServeChangeShape},
    {MSG_GET_DIMENSION_SCALING, 4, ServeGetScaling},
    {MSG_SET_DIMENSION_SCALING, 4, ServeSetScaling},
    {MSG_GET_DIMENSION_UNITS, 3, ServeGetUnits},
    {MSG_SET_DIMENSION_UNITS, 3, ServeSetUnits},
    {MSG_WAVE_DATA_OFFSET, 3, ServeDataOffset},
    {MSG_CHANGE_WAVE_SHAPE_EX, 4, ServeChangeShapeEx},
    {MSG_FIND_WAVE_IN_FOLDER, 2, ServeFindWave},
    {MSG_WAVE_BLOCK_SIZE, 2, ServeBlockSize},
};

}  // namespace

std::span<const HostServiceEntry> HostWaveServices()
{
    return waveServices;
}

int64_t HostElementBytes(int32_t type)
{
    int64_t base = 0;
    switch (type & ~(TYPE_COMPLEX | TYPE_UNSIGNED)) {
    case TYPE_FLOAT32: base = 4; break;
    case TYPE_FLOAT64: base = 8; break;
    case TYPE_INT8: base = 1; break;
    case TYPE_INT16: base = 2; break;
    case TYPE_INT32: base = 4; break;
    case TYPE_INT64: base = 8; break;
    case TYPE_TEXT: return type == TYPE_TEXT ? 8 : 0;  // text elements are handles
    default: return 0;
    }
    if ((type & TYPE_UNSIGNED) && (type & (TYPE_FLOAT32 | TYPE_FLOAT64))) return 0;
    return (type & TYPE_COMPLEX) ? 2 * base : base;
}

int32_t HostMakeWave(WaveHandle* wave, const char* name, int32_t type, const int64_t* sizes, int32_t count,
                     bool overwrite)
{
    *wave = nullptr;
    size_t length = std::strlen(name);
    if (length == 0 || length > 255) return HOST_ERR_BAD_NAME;
    WaveHandle existing = HostFindWave(name);
    if (existing && !overwrite) return HOST_ERR_NAME_IN_USE;
    WaveHandle handle = existing;
    if (int32_t err = BuildBlock(&handle, type, sizes, count)) return err;
    if (!existing) {
        HostWaveMeta meta;
        meta.name = name;
        DefaultScaling(&meta);
        Waves().emplace_back(handle, meta);
    }
    *wave = handle;
    return 0;
}

WaveHandle HostFindWave(const char* name)
{
    for (auto& [handle, meta] : Waves())
        if (strcasecmp(meta.name.c_str(), name) == 0) return handle;
    return nullptr;
}

int32_t HostKillWave(WaveHandle wave)
{
    auto& waves = Waves();
    for (auto it = waves.begin(); it != waves.end(); ++it)
        if (it->first == wave) {
            HostDisposeHandle(wave);
            waves.erase(it);
            return 0;
        }
    return HOST_ERR_NO_SUCH_WAVE;
}

int32_t HostWaveCount()
{
    return static_cast<int32_t>(Waves().size());
}

void* HostWaveData(WaveHandle wave)
{
    return *wave + WAVE_HEADER_BYTES;
}

int32_t HostWaveType(WaveHandle wave)
{
    return Header(wave)->numericType;
}

int32_t HostWaveDimensions(WaveHandle wave, int64_t sizes[4])
{
    int32_t count = 0;
    for (int32_t i = 0; i < WAVE_MAX_DIMENSIONS; ++i) {
        sizes[i] = Header(wave)->dimensionSizes[i];
        if (sizes[i] != 0 && count == i) ++count;
    }
    return count;
}

std::string HostWaveName(WaveHandle wave)
{
    HostWaveMeta* meta = Meta(wave);
    return meta ? meta->name : std::string();
}

int32_t HostSetWaveScaling(WaveHandle wave, int32_t dimension, double step, double offset)
{
    HostWaveMeta* meta = Meta(wave);
    if (!meta) return HOST_ERR_NO_SUCH_WAVE;
    if (dimension < 0 || dimension >= WAVE_MAX_DIMENSIONS) return HOST_ERR_BAD_DIMENSION;
    meta->steps[dimension] = step;
    meta->offsets[dimension] = offset;
    return 0;
}

int32_t HostGetWaveScaling(WaveHandle wave, int32_t dimension, double* step, double* offset)
{
    HostWaveMeta* meta = Meta(wave);
    if (!meta) return HOST_ERR_NO_SUCH_WAVE;
    if (dimension < 0 || dimension >= WAVE_MAX_DIMENSIONS) return HOST_ERR_BAD_DIMENSION;
    *step = meta->steps[dimension];
    *offset = meta->offsets[dimension];
    return 0;
}

int32_t HostSetWaveUnits(WaveHandle wave, int32_t dimension, const std::string& units)
{
    HostWaveMeta* meta = Meta(wave);
    if (!meta) return HOST_ERR_NO_SUCH_WAVE;
    if (dimension < WAVE_DATA_UNITS || dimension >= WAVE_MAX_DIMENSIONS) return HOST_ERR_BAD_DIMENSION;
    (dimension == WAVE_DATA_UNITS ? meta->dataUnits : meta->units[dimension]) = units;
    return 0;
}

std::string HostGetWaveUnits(WaveHandle wave, int32_t dimension)
{
    HostWaveMeta* meta = Meta(wave);
    if (!meta || dimension < WAVE_DATA_UNITS || dimension >= WAVE_MAX_DIMENSIONS) return std::string();
    return dimension == WAVE_DATA_UNITS ? meta->dataUnits : meta->units[dimension];
}

void HostResetWaves()
{
    for (auto& [handle, meta] : Waves()) HostDisposeHandle(handle);
    Waves().clear();
}
