// Storage of the bridge's module-wide state.
#include "bridge/bridge_state.h"

#include <cstring>

HostLinkHandle linkRecordHandle = nullptr;
uint64_t mainThreadId = 0;
int32_t hostVersion = 0;
int32_t useCallbackBlock = 0;
uint32_t lastAbortPollTick = 0;
uint32_t lastThreadWarningTick = 0;
uint64_t hostMemoryTable[HOST_MEMORY_FUNCTION_COUNT] = {};

void ResetBridgeState()
{
    linkRecordHandle = nullptr;
    mainThreadId = 0;
    hostVersion = 0;
    useCallbackBlock = 0;
    lastAbortPollTick = 0;
    lastThreadWarningTick = 0;
    std::memset(hostMemoryTable, 0, sizeof hostMemoryTable);
}
