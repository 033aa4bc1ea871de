// Result codes of the command-line program's input/output library; 0 is success.
#pragma once
#include <cstdint>

enum : int32_t {
    CLI_OK = 0,
    CLI_ERR_ARGUMENT = 1,          // a caller's argument is out of range or inconsistent
    CLI_ERR_NOT_FOUND = 2,         // a file or folder does not exist
    CLI_ERR_READ = 3,              // a file exists but cannot be read or decoded
    CLI_ERR_UNSUPPORTED = 4,       // a format or sample layout this library does not read
    CLI_ERR_NEEDS_CONVERSION = 5,  // frames are not 8-bit grayscale and no conversion was chosen
    CLI_ERR_SIZE_MISMATCH = 6,     // frames of one stack differ in size or sample kind
    CLI_ERR_TOO_FEW_FRAMES = 7,    // fewer than two frames
    CLI_ERR_WRITE = 8,             // an output file cannot be created, written or renamed
    CLI_ERR_INTERNAL = 9           // an unexpected failure inside a library (memory, OpenCV)
};
