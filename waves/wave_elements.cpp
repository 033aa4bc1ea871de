// Wave element values: the direct path for layout marker 1, messages 87 to 90 otherwise.
//
// Stores into integer elements follow the same rule as whole-wave writes (numconv's float to
// integer rule), so that SetWaveElementValue and WriteWaveFromDoubles always leave the same bits:
// the value is truncated toward zero into a signed intermediate, 32 bits wide for signed 8-, 16-
// and 32-bit elements and 64 bits wide for the others, and the element keeps its low bits. NaN,
// the infinities and every value whose truncation does not fit the intermediate give the
// intermediate's smallest value (-2^31 or -2^63) instead, so NaN stores 0 into 8- and 16-bit
// elements and unsigned 32-bit ones, -2147483648 into signed 32-bit and -2^63 into signed 64-bit.
// An unsigned 64-bit store of 2^64 or more (or plus infinity) has 2^63 subtracted, still does
// not fit, and stores 2^63; NaN stores 2^63 as well.
#include "waves/wave_elements.h"

#include <cstring>

#include "bridge/error_codes.h"
#include "bridge/host_dispatch.h"
#include "numconv/conversion_dispatch.h"
#include "numconv/conversion_rules.h"
#include "waves/wave_messages.h"
#include "waves/wave_services.h"

namespace {

// The caller's side of every conversion: 64-bit reals.
constexpr int32_t WAVE_REAL_BYTES = 8;

using ElementFetchProc = double (*)(const void* data, uint64_t position);
using ElementStoreProc = void (*)(void* data, uint64_t position, double value);

// One row of the dispatch table: a base type, its single-element conversions and its layout.
struct ElementKindEntry {
    int32_t baseType;
    ElementFetchProc fetch;
    ElementStoreProc store;
    int32_t byteCount;
    int32_t numberForm;
};

// Elements are copied with memcpy, so the data need not be aligned for the element type.
template <typename T>
double FetchElement(const void* data, uint64_t position)
{
    T element;
    std::memcpy(&element, static_cast<const unsigned char*>(data) + position * sizeof(T), sizeof element);
    return ConvertNumberElement<double>(element);
}

template <typename T>
void StoreElement(void* data, uint64_t position, double value)
{
    const T element = ConvertNumberElement<T>(value);
    std::memcpy(static_cast<unsigned char*>(data) + position * sizeof(T), &element, sizeof element);
}

template <typename T>
constexpr ElementKindEntry KindEntry(int32_t baseType, int32_t numberForm)
{
    return {baseType, FetchElement<T>, StoreElement<T>, static_cast<int32_t>(sizeof(T)), numberForm};
}

const ElementKindEntry elementKinds[] = {
    KindEntry<float>(TYPE_FLOAT32, NUMFORM_FLOAT),
    KindEntry<double>(TYPE_FLOAT64, NUMFORM_FLOAT),
    KindEntry<int8_t>(TYPE_INT8, NUMFORM_SIGNED),
    KindEntry<int16_t>(TYPE_INT16, NUMFORM_SIGNED),
    KindEntry<int32_t>(TYPE_INT32, NUMFORM_SIGNED),
    KindEntry<uint8_t>(TYPE_INT8 | TYPE_UNSIGNED, NUMFORM_UNSIGNED),
    KindEntry<uint16_t>(TYPE_INT16 | TYPE_UNSIGNED, NUMFORM_UNSIGNED),
    KindEntry<uint32_t>(TYPE_INT32 | TYPE_UNSIGNED, NUMFORM_UNSIGNED),
    KindEntry<int64_t>(TYPE_INT64, NUMFORM_SIGNED),
    KindEntry<uint64_t>(TYPE_INT64 | TYPE_UNSIGNED, NUMFORM_UNSIGNED),
};

// The table row of a base type, or null when the table has none.
const ElementKindEntry* FindElementKind(int32_t baseType)
{
    for (const ElementKindEntry& entry : elementKinds)
        if (entry.baseType == baseType) return &entry;
    return nullptr;
}

// The row for a single-element conversion. Return 0, or the code that refuses the base type.
int32_t FindSingleElementKind(int32_t type, const ElementKindEntry** kind)
{
    const int32_t baseType = type & ~TYPE_COMPLEX;
    if (baseType == TYPE_NON_NUMERIC_4000 || baseType == TYPE_NON_NUMERIC_0100) return ERR_NON_NUMERIC_WAVE;
    if (baseType == TYPE_TEXT) return ERR_TEXT_WAVE;
    *kind = FindElementKind(baseType);
    return *kind ? 0 : ERR_NUMERIC_TYPE_UNHANDLED;
}

// The row for a whole-wave conversion. Return 0, or the code that refuses the wave's type.
int32_t FindWholeWaveKind(int32_t type, const ElementKindEntry** kind)
{
    if (type == TYPE_TEXT) return ERR_TEXT_WAVE;
    if (type == TYPE_NON_NUMERIC_0100 || type == TYPE_NON_NUMERIC_4000) return ERR_NON_NUMERIC_WAVE;
    *kind = FindElementKind(type & ~TYPE_COMPLEX);
    return *kind ? 0 : ERR_NUMERIC_TYPE_UNHANDLED;
}

// The refusals the single-element services make before they look at the indices.
int32_t CheckElementWaveType(int32_t type)
{
    if (type == TYPE_TEXT) return ERR_TEXT_WAVE;
    if (type == TYPE_NON_NUMERIC_0100 || type == TYPE_NON_NUMERIC_4000) return ERR_NON_NUMERIC_WAVE;
    return 0;
}

// Scalars in a whole wave: its element count, doubled for a complex wave (wrapping, never UB).
int64_t WaveScalarCount(WaveHandle wave, int32_t type)
{
    const uint64_t points = static_cast<uint64_t>(GetWavePointCount(wave));
    return static_cast<int64_t>((type & TYPE_COMPLEX) ? points * 2u : points);
}

int32_t ErrorCode(int64_t result)
{
    return static_cast<int32_t>(result);
}

uint64_t W(const volatile void* address)
{
    return WordFromAddress(address);
}

}  // namespace

int32_t ComputeElementOffset(WaveHandle wave, const int64_t* indices, int64_t* linearIndex)
{
    *linearIndex = 0;
    int32_t count = 0;
    DimensionSizeArray sizes;
    if (int32_t err = GetWaveDimensionSizes(wave, &count, sizes)) return err;
    // A wave without dimensions has no element that any index could name.
    if (count == 0) return ERR_INDEX_OUT_OF_RANGE;
    int64_t multiplier = 1;
    for (int32_t dimension = 0; dimension < count && dimension < WAVE_MAX_DIMENSIONS; ++dimension) {
        const int64_t index = indices[dimension];
        if (index < 0 || index >= sizes[dimension]) return ERR_INDEX_OUT_OF_RANGE;
        // Sizes whose product leaves the 64-bit range describe no real wave; refused, not wrapped.
        int64_t term = 0;
        if (__builtin_mul_overflow(index, multiplier, &term) || __builtin_add_overflow(*linearIndex, term, linearIndex) ||
            __builtin_mul_overflow(multiplier, sizes[dimension], &multiplier))
            return ERR_INDEX_OUT_OF_RANGE;
    }
    return 0;
}

int32_t FetchElementAsDouble(int32_t type, const void* data, int64_t index, double value[WAVE_ELEMENT_PARTS])
{
    const ElementKindEntry* kind = nullptr;
    if (int32_t err = FindSingleElementKind(type, &kind)) return err;
    const bool complex = (type & TYPE_COMPLEX) != 0;
    const uint64_t position = complex ? static_cast<uint64_t>(index) * 2u : static_cast<uint64_t>(index);
    value[WAVE_ELEMENT_REAL] = kind->fetch(data, position);
    if (complex) value[WAVE_ELEMENT_IMAGINARY] = kind->fetch(data, position + 1);
    return 0;
}

int32_t StoreElementFromDouble(int32_t type, void* data, int64_t index, const double value[WAVE_ELEMENT_PARTS])
{
    const ElementKindEntry* kind = nullptr;
    if (int32_t err = FindSingleElementKind(type, &kind)) return err;
    const bool complex = (type & TYPE_COMPLEX) != 0;
    const uint64_t position = complex ? static_cast<uint64_t>(index) * 2u : static_cast<uint64_t>(index);
    kind->store(data, position, value[WAVE_ELEMENT_REAL]);
    if (complex) kind->store(data, position + 1, value[WAVE_ELEMENT_IMAGINARY]);
    return 0;
}

int32_t GetWaveElementValue(WaveHandle wave, const int64_t* indices, double value[WAVE_ELEMENT_PARTS])
{
    if (!DirectWaveHeader(wave)) return ErrorCode(InvokeHost3(MSG_GET_WAVE_ELEMENT, W(wave), W(indices), W(value)));
    const int32_t type = GetWaveNumericType(wave);
    if (int32_t err = CheckElementWaveType(type)) return err;
    int64_t linearIndex = 0;
    if (int32_t err = ComputeElementOffset(wave, indices, &linearIndex)) return err;
    return FetchElementAsDouble(type, GetWaveDataStart(wave), linearIndex, value);
}

int32_t SetWaveElementValue(WaveHandle wave, const int64_t* indices, const double value[WAVE_ELEMENT_PARTS])
{
    if (!DirectWaveHeader(wave)) return ErrorCode(InvokeHost3(MSG_SET_WAVE_ELEMENT, W(wave), W(indices), W(value)));
    const int32_t type = GetWaveNumericType(wave);
    if (int32_t err = CheckElementWaveType(type)) return err;
    int64_t linearIndex = 0;
    if (int32_t err = ComputeElementOffset(wave, indices, &linearIndex)) return err;
    return StoreElementFromDouble(type, GetWaveDataStart(wave), linearIndex, value);
}

int32_t ReadWaveAsDoubles(WaveHandle wave, double* destination)
{
    if (!DirectWaveHeader(wave)) return ErrorCode(InvokeHost2(MSG_READ_WAVE_AS_DOUBLES, W(wave), W(destination)));
    const int32_t type = GetWaveNumericType(wave);
    const ElementKindEntry* kind = nullptr;
    if (int32_t err = FindWholeWaveKind(type, &kind)) return err;
    // The layouts are valid by construction, so the conversion's own result says nothing new.
    ConvertNumbersByLayout(GetWaveDataStart(wave), destination, WaveScalarCount(wave, type), kind->byteCount,
                           kind->numberForm, WAVE_REAL_BYTES, NUMFORM_FLOAT);
    return 0;
}

int32_t WriteWaveFromDoubles(WaveHandle wave, const double* source)
{
    if (!DirectWaveHeader(wave)) return ErrorCode(InvokeHost2(MSG_WRITE_WAVE_FROM_DOUBLES, W(wave), W(source)));
    const int32_t type = GetWaveNumericType(wave);
    const ElementKindEntry* kind = nullptr;
    if (int32_t err = FindWholeWaveKind(type, &kind)) return err;
    ConvertNumbersByLayout(source, GetWaveDataStart(wave), WaveScalarCount(wave, type), WAVE_REAL_BYTES,
                           NUMFORM_FLOAT, kind->byteCount, kind->numberForm);
    return 0;
}
