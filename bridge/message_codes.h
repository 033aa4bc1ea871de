// Host service message codes used by the bridge and the flow operations.
#pragma once
#include <cstdint>

enum : int32_t {
    MSG_WRITE_NUMERIC_VARIABLE = 5,
    MSG_POST_NOTICE = 8,
    MSG_SPIN_PROCESS = 48,
    MSG_REGISTER_OPERATION = 187,
    MSG_ACCEPT_CALLBACK_BLOCK = 221,
    MSG_HOST_VERSION = 238,
    MSG_MEMORY_FUNCTIONS = 292,
};
