// Operation registration (message 187) and running operations from command lines.
#include "host/host_operations.h"

#include <cstring>

#include "bridge/message_codes.h"
#include "host/command_template.h"
#include "host/host_state.h"
#include "host/host_waves.h"
#include "host/module_resources.h"

namespace {

using ExecuteProc = int32_t (*)(void* block);

struct HostOperation {
    CommandTemplate tmpl;
    ExecuteProc execute;
};

std::vector<HostOperation>& Operations()
{
    static std::vector<HostOperation> operations;
    return operations;
}

// Registrations refused so far by configuration, so the n-th attempt can be singled out.
std::size_t refusedRegistrations = 0;

const HostOperation* FindOperation(const std::string& name)
{
    for (const HostOperation& op : Operations())
        if (strcasecmp(op.tmpl.operationName.c_str(), name.c_str()) == 0) return &op;
    return nullptr;
}

int64_t ServeRegisterOperation(const HostRequest& r)
{
    auto text = reinterpret_cast<const char*>(static_cast<uintptr_t>(r.args[0]));
    auto execute = reinterpret_cast<ExecuteProc>(static_cast<uintptr_t>(r.args[4]));
    int32_t blockSize = static_cast<int32_t>(static_cast<uint32_t>(r.args[3] & 0xFFFFFFFFu));
    if (!text || !execute) return HOST_ERR_BAD_ARGUMENTS;
    const HostConfig& config = Host().config;
    if (config.refuseRegistration > 0 &&
        std::size_t(config.refuseRegistration) == Operations().size() + 1 + refusedRegistrations)
        return ++refusedRegistrations, config.registrationError;
    HostOperation op{{}, execute};
    std::string error;
    if (ParseCommandTemplate(text, &op.tmpl, &error) != 0) return HOST_ERR_BAD_COMMAND;
    if (op.tmpl.blockSize != static_cast<uint32_t>(blockSize)) return HOST_ERR_BLOCK_SIZE;
    if (FindOperation(op.tmpl.operationName)) return HOST_ERR_DUPLICATE_OPERATION;
    Operations().push_back(std::move(op));
    return 0;
}

const HostServiceEntry operationServices[] = {
    {MSG_REGISTER_OPERATION, 6, ServeRegisterOperation},
};

void* LookupWave(void*, const char* name)
{
    return HostFindWave(name);
}

// The first word of a command line: the operation's name.
std::string OperationName(const std::string& commandLine)
{
    size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos) return std::string();
    size_t end = commandLine.find_first_of(" \t/", start);
    return commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

std::span<const HostServiceEntry> HostOperationServices()
{
    return operationServices;
}

void HostResetOperations()
{
    Operations().clear();
    refusedRegistrations = 0;
}

std::vector<HostOperationInfo> HostRegisteredOperations()
{
    std::vector<HostOperationInfo> list;
    for (const HostOperation& op : Operations())
        list.push_back({op.tmpl.operationName, op.tmpl.text, static_cast<int32_t>(op.tmpl.blockSize)});
    return list;
}

int32_t HostRunCommand(const std::string& commandLine, std::string* error)
{
    std::string name = OperationName(commandLine);
    const HostOperation* op = FindOperation(name);
    if (!op) {
        *error = "unknown operation \"" + name + "\" in \"" + commandLine + "\"";
        return HOST_ERR_NO_SUCH_OPERATION;
    }
    std::vector<uint8_t> block;
    if (FillParameterBlock(op->tmpl, commandLine, LookupWave, nullptr, &block, error) != 0) return HOST_ERR_BAD_COMMAND;
    return op->execute(block.data());
}

int32_t HostExecuteBlock(const std::string& operationName, std::vector<uint8_t>* block, std::string* error)
{
    const HostOperation* op = FindOperation(operationName);
    if (!op) {
        *error = "unknown operation \"" + operationName + "\"";
        return HOST_ERR_NO_SUCH_OPERATION;
    }
    if (block->size() != op->tmpl.blockSize) {
        *error = "parameter block of " + std::to_string(block->size()) + " bytes; " + operationName + " takes " +
                 std::to_string(op->tmpl.blockSize);
        return HOST_ERR_BLOCK_SIZE;
    }
    return op->execute(block->data());
}

std::string HostErrorMessage(int32_t code)
{
    const auto& messages = LoadedModuleResources().errorMessages;
    if (code >= MODULE_FIRST_ERROR_CODE && code - MODULE_FIRST_ERROR_CODE < static_cast<int32_t>(messages.size()))
        return messages[static_cast<size_t>(code - MODULE_FIRST_ERROR_CODE)];
    switch (code) {
    case 0: return "no error";
    case 17: return "expected an unsigned 8-bit wave";
    case 330: return "the wave parameter refers to no wave";
    case 592: return "expected a three-dimensional wave";
    case 823: return "the DIS preset must be 0, 1 or 2";
    case 978: return "this service must be called on the main thread";
    case 6313: return "the stack needs at least two frames";
    case HOST_ERR_BLOCK_SIZE: return "the parameter block size does not match the command template";
    case HOST_ERR_NO_SUCH_OPERATION: return "no such operation";
    case HOST_ERR_BAD_COMMAND: return "the command line does not fit the operation's template";
    case HOST_ERR_UNSERVED_MESSAGE: return "the host does not serve this message";
    case HOST_ERR_BAD_ARGUMENTS: return "bad arguments to a host service";
    case HOST_ERR_MEMORY_FULL: return "out of memory";
    default: return "error " + std::to_string(code);
    }
}
