// Numeric type codes of wave elements and the number forms of element layouts.
#pragma once
#include <cstdint>

// Type codes: a base code, optionally combined with the unsigned and complex flags.
enum : int32_t {
    TYPE_TEXT = 0x00,
    TYPE_COMPLEX = 0x01,
    TYPE_FLOAT32 = 0x02,
    TYPE_FLOAT64 = 0x04,
    TYPE_INT8 = 0x08,
    TYPE_INT16 = 0x10,
    TYPE_INT32 = 0x20,
    TYPE_UNSIGNED = 0x40,
    TYPE_INT64 = 0x80,
};

// Number forms of a layout (byte count, number form).
enum : int32_t {
    NUMFORM_SIGNED = 1,
    NUMFORM_UNSIGNED = 2,
    NUMFORM_FLOAT = 3,
};
