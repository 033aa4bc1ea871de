// The module's own error codes: code 10001 + i has the i-th text of the 'STR#' list.
#pragma once
#include <cstdint>

enum : int32_t {
    // 10001 is ERR_HOST_TOO_OLD (bridge/error_codes.h): "Drevlin requires Tavra 8.00 or later."
    FLOW_ERR_OPENCV = 10002,           // OpenCV raised an error; a notice says which
    FLOW_ERR_INPUT_IS_OUTPUT = 10003,  // the input wave would be replaced by an output
    // Settings and frames refused before OpenCV sees them (flow_limits.cpp).
    FLOW_ERR_SETTINGS = 10004,         // the record does not match its method, or flags other than /G
    FLOW_ERR_FRAME_SIZE = 10005,       // a frame side or the pixel count is out of range
    FLOW_ERR_PYR_SCALE = 10006,        // /PS not below 1, or NaN
    FLOW_ERR_LEVELS = 10007,           // /L with /PS gives too many pyramid levels
    FLOW_ERR_WINSIZE = 10008,          // /W outside [1, 10000]
    FLOW_ERR_ITERATIONS = 10009,       // /N above 1000
    FLOW_ERR_POLY_N = 10010,           // /POLY's poly_n outside [0, 1000]
    FLOW_ERR_DIS_FRAME_SMALL = 10011,  // frames too small for a DIS patch
    FLOW_ERR_DIS_FRAME_SHAPE = 10012,  // frames too long along dimension 0 for DIS
};
