// The host's callback entry: decodes either mechanism, logs the request and runs the service.
#include <cstring>

#include "bridge/link_record.h"
#include "host/host_state.h"
#include "platform/thread_id.h"

static const HostServiceEntry* FindService(int32_t message)
{
    for (auto group : {HostCoreServices(), HostWaveServices(), HostWaveElementServices(), HostOperationServices()})
        for (const HostServiceEntry& entry : group)
            if (entry.message == message) return &entry;
    return nullptr;
}

static int64_t RunService(const HostRequest& request)
{
    const HostServiceEntry* service = FindService(request.message);
    if (!service) return HOST_ERR_UNSERVED_MESSAGE;
    if (request.argCount != service->argCount) return HOST_ERR_BAD_ARGUMENTS;
    return service->proc(request);
}

extern "C" int64_t TavraCallbackEntry(void* recordHandleOrBlock)
{
    HostState& host = Host();
    HostCall call{};
    call.threadId = PlatformCurrentThreadId();
    if (recordHandleOrBlock == HostLinkRecordHandle()) {
        HostLinkRecord* record = HostRecord();
        call.road = HOST_ROAD_RECORD;
        call.message = record->message;
        call.argCount = record->itemCount;
        for (int32_t i = 0; i < record->itemCount && i < CALLBACK_BLOCK_MAX_ARGS; ++i)
            call.args[i] = static_cast<uint64_t>(record->items[i]);
        HostLogCall(call);
        int32_t count = record->itemCount < 0 ? 0 : record->itemCount;
        HostRequest request{record->message, count > CALLBACK_BLOCK_MAX_ARGS ? CALLBACK_BLOCK_MAX_ARGS : count,
                            call.args};
        int64_t result = RunService(request);
        HostRecord()->result = result;
        return 0;
    }
    auto* block = static_cast<HostCallbackBlock*>(recordHandleOrBlock);
    call.road = HOST_ROAD_BLOCK;
    std::memcpy(call.blockBytes, block, sizeof call.blockBytes);
    call.message = block->message;
    call.argCount = block->argCount;
    bool wellFormed = block->version == CALLBACK_BLOCK_VERSION && host.callbackBlockAccepted &&
                      block->argCount >= 0 && block->argCount <= CALLBACK_BLOCK_MAX_ARGS &&
                      (block->argCount == 0 || block->args != nullptr);
    if (wellFormed)
        for (int32_t i = 0; i < block->argCount; ++i) call.args[i] = block->args[i];
    HostLogCall(call);
    block->result = wellFormed ? RunService({block->message, block->argCount, call.args}) : int64_t(HOST_ERR_BAD_ARGUMENTS);
    return 0;
}
