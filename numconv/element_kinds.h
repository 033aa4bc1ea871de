// The ten numeric element kinds: their type codes, layouts and lookups.
#pragma once
#include <cstdint>

#include "numconv/numeric_types.h"

// Kind indexes, in the order of the conversion table's rows and columns.
enum : int32_t {
    NUMKIND_NONE = -1,
    NUMKIND_INT8 = 0,
    NUMKIND_UINT8 = 1,
    NUMKIND_INT16 = 2,
    NUMKIND_UINT16 = 3,
    NUMKIND_INT32 = 4,
    NUMKIND_UINT32 = 5,
    NUMKIND_INT64 = 6,
    NUMKIND_UINT64 = 7,
    NUMKIND_FLOAT32 = 8,
    NUMKIND_FLOAT64 = 9,
    NUMKIND_COUNT = 10
};

struct NumericKindInfo {
    int32_t typeCode;    // complex flag clear
    int32_t byteCount;
    int32_t numberForm;  // NUMFORM_SIGNED, NUMFORM_UNSIGNED or NUMFORM_FLOAT
};

inline constexpr NumericKindInfo NUMKIND_INFO[NUMKIND_COUNT] = {
    {TYPE_INT8, 1, NUMFORM_SIGNED},
    {TYPE_INT8 | TYPE_UNSIGNED, 1, NUMFORM_UNSIGNED},
    {TYPE_INT16, 2, NUMFORM_SIGNED},
    {TYPE_INT16 | TYPE_UNSIGNED, 2, NUMFORM_UNSIGNED},
    {TYPE_INT32, 4, NUMFORM_SIGNED},
    {TYPE_INT32 | TYPE_UNSIGNED, 4, NUMFORM_UNSIGNED},
    {TYPE_INT64, 8, NUMFORM_SIGNED},
    {TYPE_INT64 | TYPE_UNSIGNED, 8, NUMFORM_UNSIGNED},
    {TYPE_FLOAT32, 4, NUMFORM_FLOAT},
    {TYPE_FLOAT64, 8, NUMFORM_FLOAT},
};

// Returns the kind whose type code is exactly typeCode, or NUMKIND_NONE (text, complex, unknown).
constexpr int32_t FindKindOfTypeCode(int32_t typeCode) {
    for (int32_t kind = 0; kind < NUMKIND_COUNT; ++kind) {
        if (NUMKIND_INFO[kind].typeCode == typeCode) return kind;
    }
    return NUMKIND_NONE;
}

// Returns the kind with this layout, or NUMKIND_NONE when the pair is none of the ten layouts.
constexpr int32_t FindKindOfLayout(int32_t byteCount, int32_t numberForm) {
    for (int32_t kind = 0; kind < NUMKIND_COUNT; ++kind) {
        if (NUMKIND_INFO[kind].byteCount == byteCount && NUMKIND_INFO[kind].numberForm == numberForm) {
            return kind;
        }
    }
    return NUMKIND_NONE;
}
