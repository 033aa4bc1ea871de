// Exit statuses of drevlin-flow, one per kind of failure, so scripts can tell them apart.
#pragma once
#include <cstdint>

enum : int32_t {
    EXITCODE_OK = 0,
    EXITCODE_INTERNAL = 1,    // an unexpected failure inside the program
    EXITCODE_USAGE = 2,       // unknown option, bad option value, missing command line
    EXITCODE_INPUT = 3,       // an input file or folder is missing, unreadable or of an unsupported format
    EXITCODE_CONVERSION = 4,  // frames are 16-bit, float or colour and no --convert was chosen
    EXITCODE_STACK = 5,       // frames of different sizes or kinds, or fewer than two frames
    EXITCODE_COMMAND = 6,     // the operation's template refuses the command line
    EXITCODE_OPERATION = 7,   // the operation returned an error code
    EXITCODE_OUTPUT = 8,      // a result file or the output folder cannot be written
    EXITCODE_MODULE = 9       // the module file cannot be loaded or did not register its operations
};

// The exit status for a CLI_ERR_* code of the input/output library.
int32_t ExitCodeOfCliError(int32_t cliError);
