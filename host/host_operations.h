// Operations the module registered with the stand-in host, and running them from command lines.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum : int32_t {
    HOST_ERR_BLOCK_SIZE = 9010,         // declared parameter-block size differs from the template's
    HOST_ERR_NO_SUCH_OPERATION = 9011,  // the command names no registered operation
    HOST_ERR_BAD_COMMAND = 9012,        // the command line does not fit the template
    HOST_ERR_DUPLICATE_OPERATION = 9013,
};

struct HostOperationInfo {
    std::string name;
    std::string commandTemplate;
    int32_t blockSize;
};

std::vector<HostOperationInfo> HostRegisteredOperations();

// Parses the command line against the registered template, fills a parameter block and
// calls the execute function. Returns the function's code, or a host code with *error set
// when the command could not be run.
int32_t HostRunCommand(const std::string& commandLine, std::string* error);

// Calls an operation's execute function with a block the caller filled.
int32_t HostExecuteBlock(const std::string& operationName, std::vector<uint8_t>* block, std::string* error);

// The text of an error code: the module's own list for codes from 10001, else the host's.
std::string HostErrorMessage(int32_t code);
