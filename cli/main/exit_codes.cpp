// Mapping the input/output library's result codes onto the program's exit statuses.
#include "cli/main/exit_codes.h"

#include "cli/cli_errors.h"

int32_t ExitCodeOfCliError(int32_t cliError)
{
    switch (cliError) {
        case CLI_OK:
            return EXITCODE_OK;
        case CLI_ERR_NOT_FOUND:
        case CLI_ERR_READ:
        case CLI_ERR_UNSUPPORTED:
            return EXITCODE_INPUT;
        case CLI_ERR_NEEDS_CONVERSION:
            return EXITCODE_CONVERSION;
        case CLI_ERR_SIZE_MISMATCH:
        case CLI_ERR_TOO_FEW_FRAMES:
            return EXITCODE_STACK;
        case CLI_ERR_WRITE:
            return EXITCODE_OUTPUT;
        default:
            return EXITCODE_INTERNAL;
    }
}
