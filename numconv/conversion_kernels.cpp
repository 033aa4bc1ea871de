// Conversion loops generated from a few templates, and the tables that choose them per call.
#include "numconv/conversion_kernels.h"

#include <array>
#include <cstring>
#include <type_traits>

#include "numconv/conversion_rules.h"
#include "numconv/element_kinds.h"

namespace {

// Element types named by the kind words of the loop names.
using Int8 = int8_t;
using UInt8 = uint8_t;
using Int16 = int16_t;
using UInt16 = uint16_t;
using Int32 = int32_t;
using UInt32 = uint32_t;
using Int64 = int64_t;
using UInt64 = uint64_t;
using Float32 = float;
using Float64 = double;

// Elements per run. A run of fixed length lets the compiler vectorise its loop without a
// remainder loop (which it would not do at -O2); the remainder of a block is a shorter run.
constexpr int64_t NUMCONV_RUN_ELEMENTS = 512;

template <typename T>
inline T LoadElement(const unsigned char* bytes, int64_t index) {
    T value;
    std::memcpy(&value, bytes + index * int64_t{sizeof(T)}, sizeof(T));
    return value;
}

template <typename T>
inline void StoreElement(unsigned char* bytes, int64_t index, T value) {
    std::memcpy(bytes + index * int64_t{sizeof(T)}, &value, sizeof(T));
}

// Tries the pair's shortcut on a run: the 32-bit route, or for float64 to float32 a plain cast
// when no value lies near or beyond float32's range. Each is taken only when every value of
// the run allows it (decided once per run, never per element) and then gives the results of
// the general conversion. Returns false, having written nothing, when the run does not allow
// it. Two simple loops rather than one: each vectorises with SSE2 alone.
template <typename S, typename D, int64_t LENGTH>
inline bool ConvertRunByShortcut(const unsigned char* __restrict source, unsigned char* __restrict destination,
                                 int64_t length) {
    const int64_t n = LENGTH > 0 ? LENGTH : length;
    if constexpr (NUMCONV_HAS_NARROW_ROUTE<S, D>) {
        int32_t narrow[NUMCONV_RUN_ELEMENTS];
        int32_t misfits = 0;
        for (int64_t i = 0; i < n; ++i) narrow[i] = ReduceToNarrowRoute(LoadElement<S>(source, i), misfits);
        if (misfits != 0) return false;
        for (int64_t i = 0; i < n; ++i) StoreElement<D>(destination, i, static_cast<D>(narrow[i]));
        return true;
    } else if constexpr (std::is_same_v<S, double> && std::is_same_v<D, float>) {
        int64_t outside = 0;  // negative when some value is not safely within range
        for (int64_t i = 0; i < n; ++i) outside |= ~Float32RangeExcess(LoadElement<uint64_t>(source, i));
        if (outside < 0) return false;
        for (int64_t i = 0; i < n; ++i) {
            StoreElement<float>(destination, i, static_cast<float>(LoadElement<double>(source, i)));
        }
        return true;
    } else {
        return false;
    }
}

// Converts `length` elements between buffers known not to overlap (LENGTH, when nonzero, is
// the length fixed at compile time). Elements are moved with memcpy so that alignment and the
// buffer's previous type do not matter.
template <typename S, typename D, int64_t LENGTH>
inline void ConvertSeparateRun(const unsigned char* __restrict source, unsigned char* __restrict destination,
                               int64_t length) {
    const int64_t n = LENGTH > 0 ? LENGTH : length;
    if (ConvertRunByShortcut<S, D, LENGTH>(source, destination, n)) return;
    for (int64_t i = 0; i < n; ++i) {
        StoreElement<D>(destination, i, ConvertNumberElement<D>(LoadElement<S>(source, i)));
    }
}

// Converts `length` elements of a shared buffer: the run's sources are copied to a local array
// before any of its results is written, so the run's own writes cannot disturb its reads.
template <typename S, typename D, int64_t LENGTH>
inline void ConvertSharedRun(const unsigned char* source, unsigned char* destination, int64_t length) {
    const int64_t n = LENGTH > 0 ? LENGTH : length;
    unsigned char staged[NUMCONV_RUN_ELEMENTS * sizeof(S)];
    std::memcpy(staged, source, static_cast<size_t>(n) * sizeof(S));
    ConvertSeparateRun<S, D, LENGTH>(staged, destination, n);
}

template <typename S, typename D>
void ConvertSeparate(const unsigned char* source, unsigned char* destination, int64_t count) {
    int64_t first = 0;
    for (; count - first >= NUMCONV_RUN_ELEMENTS; first += NUMCONV_RUN_ELEMENTS) {
        ConvertSeparateRun<S, D, NUMCONV_RUN_ELEMENTS>(source + first * int64_t{sizeof(S)},
                                                       destination + first * int64_t{sizeof(D)}, 0);
    }
    ConvertSeparateRun<S, D, 0>(source + first * int64_t{sizeof(S)}, destination + first * int64_t{sizeof(D)},
                                count - first);
}

// Walks runs from the first to the last: when the destination is not wider than the source,
// the writes of a run end at or before the bytes of the next run's sources.
template <typename S, typename D>
void ConvertSharedFirstToLast(const unsigned char* source, unsigned char* destination, int64_t count) {
    int64_t first = 0;
    for (; count - first >= NUMCONV_RUN_ELEMENTS; first += NUMCONV_RUN_ELEMENTS) {
        ConvertSharedRun<S, D, NUMCONV_RUN_ELEMENTS>(source + first * int64_t{sizeof(S)},
                                                     destination + first * int64_t{sizeof(D)}, 0);
    }
    if (first < count) {
        ConvertSharedRun<S, D, 0>(source + first * int64_t{sizeof(S)}, destination + first * int64_t{sizeof(D)},
                                  count - first);
    }
}

// Walks runs from the last to the first: when the destination is wider, the writes of a run
// begin at or beyond the bytes of its own sources, so sources still to be read stay intact.
template <typename S, typename D>
void ConvertSharedLastToFirst(const unsigned char* source, unsigned char* destination, int64_t count) {
    int64_t end = count;
    for (; end >= NUMCONV_RUN_ELEMENTS; end -= NUMCONV_RUN_ELEMENTS) {
        const int64_t first = end - NUMCONV_RUN_ELEMENTS;
        ConvertSharedRun<S, D, NUMCONV_RUN_ELEMENTS>(source + first * int64_t{sizeof(S)},
                                                     destination + first * int64_t{sizeof(D)}, 0);
    }
    if (end > 0) ConvertSharedRun<S, D, 0>(source, destination, end);
}

// True when the two blocks have no byte in common.
inline bool BlocksAreSeparate(const void* source, size_t sourceBytes, const void* destination,
                              size_t destinationBytes) {
    const auto sourceStart = reinterpret_cast<uintptr_t>(source);
    const auto destinationStart = reinterpret_cast<uintptr_t>(destination);
    return sourceStart + sourceBytes <= destinationStart || destinationStart + destinationBytes <= sourceStart;
}

// Separate buffers are converted directly; a shared buffer by staged runs in the direction of
// the pair: last element first exactly when the destination kind is wider. Between integer
// kinds of equal width the conversion is a bit copy of the whole block, nothing in place.
template <typename S, typename D>
void ConvertPair(const void* source, void* destination, int64_t count) {
    if (count <= 0) return;
    if constexpr (std::is_integral_v<S> && std::is_integral_v<D> && sizeof(S) == sizeof(D)) {
        if (source != destination) std::memmove(destination, source, static_cast<size_t>(count) * sizeof(S));
        return;
    }
    const auto* in = static_cast<const unsigned char*>(source);
    auto* out = static_cast<unsigned char*>(destination);
    const auto elements = static_cast<size_t>(count);
    if (BlocksAreSeparate(in, elements * sizeof(S), out, elements * sizeof(D))) {
        ConvertSeparate<S, D>(in, out, count);
    } else if constexpr (sizeof(D) > sizeof(S)) {
        ConvertSharedLastToFirst<S, D>(in, out, count);
    } else {
        ConvertSharedFirstToLast<S, D>(in, out, count);
    }
}

// Calls run(first, length) for consecutive runs covering [0, count), all but the last of the
// fixed length NUMCONV_RUN_ELEMENTS, so the run's loop can be vectorised.
template <typename RunFunction>
inline void ForEachRun(int64_t count, RunFunction run) {
    int64_t first = 0;
    for (; count - first >= NUMCONV_RUN_ELEMENTS; first += NUMCONV_RUN_ELEMENTS) {
        run(first, std::integral_constant<int64_t, NUMCONV_RUN_ELEMENTS>{}, 0);
    }
    if (first < count) run(first, std::integral_constant<int64_t, 0>{}, count - first);
}

// (v + offset) * scale in float64 for every element, first to last, each at its own place.
template <typename T>
void RescaleInPlace(void* data, const double* offset, const double* scale, int64_t count) {
    auto* bytes = static_cast<unsigned char*>(data);
    const double add = *offset;
    const double factor = *scale;
    ForEachRun(count, [&](int64_t first, auto fixedLength, int64_t length) {
        unsigned char* run = bytes + first * int64_t{sizeof(T)};
        const int64_t n = fixedLength() > 0 ? fixedLength() : length;
        for (int64_t i = 0; i < n; ++i) {
            const double value = (ConvertNumberElement<double>(LoadElement<T>(run, i)) + add) * factor;
            StoreElement<T>(run, i, ConvertNumberElement<T>(value));
        }
    });
}

// Scale, clip, round and write back every element; the steps taken are fixed per instance.
template <typename T, bool SCALE, bool CLIP, bool ROUND>
void RescaleClipRoundRun(unsigned char* bytes, int64_t count, double offset, double scale, double low,
                         double high) {
    ForEachRun(count, [&](int64_t first, auto fixedLength, int64_t length) {
        unsigned char* run = bytes + first * int64_t{sizeof(T)};
        const int64_t n = fixedLength() > 0 ? fixedLength() : length;
        for (int64_t i = 0; i < n; ++i) {
            double value = ConvertNumberElement<double>(LoadElement<T>(run, i));
            if constexpr (SCALE) value = (value + offset) * scale;
            if constexpr (CLIP) {
                // NaN elements and NaN bounds fail the comparisons and pass through.
                const double raised = low > value ? low : value;
                value = high < raised ? high : raised;
            }
            if constexpr (ROUND) value = RoundElementHalfAwayFromZero(value);
            StoreElement<T>(run, i, ConvertNumberElement<T>(value));
        }
    });
}

template <typename T>
void RescaleClipRoundInPlace(void* data, int64_t count, double offset, double scale, double low, double high,
                             int32_t doScale, int32_t doClip, int32_t roundFlag) {
    using Run = void (*)(unsigned char*, int64_t, double, double, double, double);
    static constexpr Run runs[8] = {
        RescaleClipRoundRun<T, false, false, false>, RescaleClipRoundRun<T, false, false, true>,
        RescaleClipRoundRun<T, false, true, false>,  RescaleClipRoundRun<T, false, true, true>,
        RescaleClipRoundRun<T, true, false, false>,  RescaleClipRoundRun<T, true, false, true>,
        RescaleClipRoundRun<T, true, true, false>,   RescaleClipRoundRun<T, true, true, true>,
    };
    const int32_t choice = (doScale != 0 ? 4 : 0) + (doClip != 0 ? 2 : 0) + (roundFlag != 0 ? 1 : 0);
    runs[choice](static_cast<unsigned char*>(data), count, offset, scale, low, high);
}

template <typename T>
constexpr int32_t KindIndexOf() {
    if constexpr (std::is_same_v<T, float>) return NUMKIND_FLOAT32;
    else if constexpr (std::is_same_v<T, double>) return NUMKIND_FLOAT64;
    else {
        constexpr int32_t widthStep = sizeof(T) == 1 ? 0 : sizeof(T) == 2 ? 2 : sizeof(T) == 4 ? 4 : 6;
        return widthStep + (std::is_signed_v<T> ? 0 : 1);
    }
}

}  // namespace

#define NUMCONV_DEFINE_PAIR(SOURCE, DESTINATION)                                                   \
    void Convert##SOURCE##To##DESTINATION(const void* source, void* destination, int64_t count) { \
        ConvertPair<SOURCE, DESTINATION>(source, destination, count);                              \
    }
NUMCONV_CONVERSION_PAIRS(NUMCONV_DEFINE_PAIR)
#undef NUMCONV_DEFINE_PAIR

#define NUMCONV_DEFINE_IN_PLACE(KIND)                                                                     \
    void Rescale##KIND(void* data, const double* offset, const double* scale, int64_t count) {           \
        RescaleInPlace<KIND>(data, offset, scale, count);                                                 \
    }                                                                                                     \
    void RescaleClipRound##KIND(void* data, int64_t count, double offset, double scale, double low,       \
                                double high, int32_t doScale, int32_t doClip, int32_t roundFlag) {        \
        RescaleClipRoundInPlace<KIND>(data, count, offset, scale, low, high, doScale, doClip, roundFlag); \
    }
NUMCONV_KINDS(NUMCONV_DEFINE_IN_PLACE)
#undef NUMCONV_DEFINE_IN_PLACE

namespace {

using ConversionTable = std::array<std::array<ConversionLoop, NUMKIND_COUNT>, NUMKIND_COUNT>;

constexpr ConversionTable BuildConversionTable() {
    ConversionTable table{};
#define NUMCONV_TABLE_ENTRY(SOURCE, DESTINATION) \
    table[KindIndexOf<SOURCE>()][KindIndexOf<DESTINATION>()] = &Convert##SOURCE##To##DESTINATION;
    NUMCONV_CONVERSION_PAIRS(NUMCONV_TABLE_ENTRY)
#undef NUMCONV_TABLE_ENTRY
    return table;
}

constexpr ConversionTable CONVERSION_TABLE = BuildConversionTable();

// Every off-diagonal cell holds a loop of its own; the diagonal (same kind) holds none.
constexpr bool ConversionTableIsComplete() {
    for (int32_t s = 0; s < NUMKIND_COUNT; ++s) {
        for (int32_t d = 0; d < NUMKIND_COUNT; ++d) {
            if ((CONVERSION_TABLE[s][d] == nullptr) != (s == d)) return false;
        }
    }
    return true;
}
static_assert(ConversionTableIsComplete());

#define NUMCONV_RESCALE_ENTRY(KIND) &Rescale##KIND,
constexpr RescaleLoop RESCALE_TABLE[NUMKIND_COUNT] = {NUMCONV_KINDS(NUMCONV_RESCALE_ENTRY)};
#undef NUMCONV_RESCALE_ENTRY

#define NUMCONV_CLIP_ROUND_ENTRY(KIND) &RescaleClipRound##KIND,
constexpr RescaleClipRoundLoop RESCALE_CLIP_ROUND_TABLE[NUMKIND_COUNT] = {NUMCONV_KINDS(NUMCONV_CLIP_ROUND_ENTRY)};
#undef NUMCONV_CLIP_ROUND_ENTRY

// The kind list of the in-place tables follows the kind indexes.
#define NUMCONV_KIND_INDEX(KIND) KindIndexOf<KIND>(),
constexpr int32_t KIND_LIST_ORDER[NUMKIND_COUNT] = {NUMCONV_KINDS(NUMCONV_KIND_INDEX)};
#undef NUMCONV_KIND_INDEX
constexpr bool KindListFollowsIndexes() {
    for (int32_t kind = 0; kind < NUMKIND_COUNT; ++kind) {
        if (KIND_LIST_ORDER[kind] != kind) return false;
    }
    return true;
}
static_assert(KindListFollowsIndexes());

constexpr bool IsKindIndex(int32_t kind) { return kind >= 0 && kind < NUMKIND_COUNT; }

}  // namespace

ConversionLoop SelectConversionLoop(int32_t sourceKind, int32_t destinationKind) {
    if (!IsKindIndex(sourceKind) || !IsKindIndex(destinationKind)) return nullptr;
    return CONVERSION_TABLE[sourceKind][destinationKind];
}

RescaleLoop SelectRescaleLoop(int32_t kind) { return IsKindIndex(kind) ? RESCALE_TABLE[kind] : nullptr; }

RescaleClipRoundLoop SelectRescaleClipRoundLoop(int32_t kind) {
    return IsKindIndex(kind) ? RESCALE_CLIP_ROUND_TABLE[kind] : nullptr;
}
