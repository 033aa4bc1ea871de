// The host's state, reset and call log.
#include <algorithm>

#include "host/host_state.h"
#include "host/module_loader.h"
#include "platform/thread_id.h"

HostState& Host()
{
    static HostState host;
    return host;
}

void HostReset(const HostConfig& config)
{
    HostUnloadModule();
    HostState& host = Host();
    HostReleaseMemory();
    HostResetWaves();
    HostResetOperations();
    host.config = config;
    host.storage = HostRecordStorage{};
    host.storage.record.callback = &TavraCallbackEntry;
    host.recordPointer = &host.storage.record;
    host.tick = 0;
    host.mainThreadId = PlatformCurrentThreadId();
    host.callbackBlockAccepted = false;
    host.notices.clear();
    HostClearCallLog();
}

HostConfig& HostSettings()
{
    return Host().config;
}

HostLinkHandle HostLinkRecordHandle()
{
    return &Host().recordPointer;
}

HostLinkRecord* HostRecord()
{
    return Host().recordPointer;
}

void HostLogCall(const HostCall& call)
{
    HostState& host = Host();
    std::lock_guard<std::mutex> lock(host.logMutex);
    host.log.push_back(call);
}

void HostLogFunction(HostCallRoad road, const char* function)
{
    HostCall call{};
    call.road = road;
    call.message = -1;
    call.function = function;
    call.threadId = PlatformCurrentThreadId();
    HostLogCall(call);
}

std::vector<HostCall> HostCallLog()
{
    HostState& host = Host();
    std::lock_guard<std::mutex> lock(host.logMutex);
    return host.log;
}

void HostClearCallLog()
{
    HostState& host = Host();
    std::lock_guard<std::mutex> lock(host.logMutex);
    host.log.clear();
}

std::vector<HostCall> HostCallsWithMessage(int32_t message)
{
    std::vector<HostCall> calls = HostCallLog();
    std::erase_if(calls, [&](const HostCall& c) {
        return c.message != message || (c.road != HOST_ROAD_RECORD && c.road != HOST_ROAD_BLOCK);
    });
    return calls;
}

std::vector<HostCall> HostCallsOfFunction(const std::string& function)
{
    std::vector<HostCall> calls = HostCallLog();
    std::erase_if(calls, [&](const HostCall& c) { return c.function != function; });
    return calls;
}

void HostSetTick(uint32_t tick)
{
    Host().tick = tick;
}

void HostAdvanceTick(uint32_t ticks)
{
    Host().tick += ticks;
}

std::vector<std::string> HostNotices()
{
    return Host().notices;
}

uint32_t HostMainThreadId()
{
    return Host().mainThreadId;
}
