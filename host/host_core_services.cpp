// Services of start-up and general use: version, call mechanism, memory table, notices, spinning.
#include <cstdio>
#include <cstring>

#include "bridge/message_codes.h"
#include "host/host_state.h"

static int64_t ServeHostVersion(const HostRequest& request)
{
    const HostConfig& config = Host().config;
    if (!config.answerVersion) return HOST_ERR_UNSERVED_MESSAGE;
    auto* out = reinterpret_cast<int32_t*>(static_cast<uintptr_t>(request.args[0]));
    if (!out) return HOST_ERR_BAD_ARGUMENTS;
    *out = config.versionWord;
    return 0;
}

static int64_t ServeAcceptCallbackBlock(const HostRequest& request)
{
    if (!Host().config.acceptCallbackBlock || request.args[0] != 1) return HOST_ERR_UNSERVED_MESSAGE;
    Host().callbackBlockAccepted = true;
    return 0;
}

static int64_t ServeMemoryFunctions(const HostRequest& request)
{
    auto* name = reinterpret_cast<const char*>(static_cast<uintptr_t>(request.args[0]));
    auto* table = reinterpret_cast<uint64_t*>(static_cast<uintptr_t>(request.args[3]));
    if (!name || std::strcmp(name, "QVMemoryFunctions") != 0 || !table) return HOST_ERR_BAD_ARGUMENTS;
    if (Host().config.memoryTableMask == HOST_MEMORY_TABLE_NONE) return HOST_ERR_UNSERVED_MESSAGE;
    HostFillMemoryTable(table);
    return 0;
}

static int64_t ServePostNotice(const HostRequest& request)
{
    auto* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(request.args[0]));
    if (!text) return HOST_ERR_BAD_ARGUMENTS;
    Host().notices.emplace_back(text);
    if (Host().config.echoNotices) {
        std::string line(text);
        for (char& c : line)
            if (c == '\r') c = '\n';
        std::fputs(line.c_str(), stdout);
    }
    return 0;
}

static int64_t ServeSpinProcess(const HostRequest&)
{
    return 0;
}

static const HostServiceEntry coreServices[] = {
    {MSG_POST_NOTICE, 1, ServePostNotice},
    {MSG_SPIN_PROCESS, 0, ServeSpinProcess},
    {MSG_ACCEPT_CALLBACK_BLOCK, 1, ServeAcceptCallbackBlock},
    {MSG_HOST_VERSION, 1, ServeHostVersion},
    {MSG_MEMORY_FUNCTIONS, 4, ServeMemoryFunctions},
};

std::span<const HostServiceEntry> HostCoreServices()
{
    return coreServices;
}
