// Error codes of the host's error space that the bridge and its users produce themselves.
#pragma once
#include <cstdint>

enum : int32_t {
    ERR_NONE = 0,
    ERR_NUMERIC_TYPE_INPUT = 17,     // input not unsigned 8-bit, or no numeric kind for a type code
    ERR_LINE_TOO_LONG = 60,
    ERR_NULL_HANDLE = 185,
    ERR_NUMERIC_TYPE_UNHANDLED = 190,
    ERR_PATH_TOO_LONG = 248,
    ERR_NULL_WAVE_PARAMETER = 330,   // wave parameter given but null
    ERR_TEXT_NOT_NUMERIC = 374,
    ERR_TEXT_WAVE = 412,             // text wave where numbers are needed
    ERR_INDEX_OUT_OF_RANGE = 414,
    ERR_OBJECT_KIND = 440,
    ERR_NOT_THREE_DIMENSIONAL = 592,
    ERR_DIS_PRESET = 823,
    ERR_NOT_MAIN_THREAD = 978,
    ERR_NON_NUMERIC_WAVE = 1252,
    ERR_NAME_SEARCH_EXHAUSTED = 1506,
    ERR_PATH_NOT_UTF16 = 1583,
    ERR_DOES_NOT_FIT = 2006,
    ERR_TOO_FEW_FRAMES = 6313,
    ERR_HOST_TOO_OLD = 10001,        // the module's first own error: "Drevlin requires Tavra 8.00 or later."
};
