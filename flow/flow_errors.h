// The module's own error codes: code 10001 + i has the i-th text of the 'STR#' list.
#pragma once
#include <cstdint>

enum : int32_t {
    FLOW_ERR_HOST_TOO_OLD = 10001,     // "Drevlin requires Tavra 8.00 or later."
    FLOW_ERR_OPENCV = 10002,           // OpenCV raised an error; a notice says which
    FLOW_ERR_INPUT_IS_OUTPUT = 10003,  // the input wave would be replaced by an output
};
