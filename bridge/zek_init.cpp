// ZEKInit: the bridge's start-up sequence.
#include "bridge/zek_init.h"

#include "bridge/bridge_memory.h"
#include "bridge/bridge_state.h"
#include "bridge/host_dispatch.h"
#include "bridge/host_version.h"
#include "bridge/main_thread.h"
#include "bridge/message_codes.h"
#include "platform/thread_id.h"

void ZEKInit(HostLinkHandle handle)
{
    linkRecordHandle = handle;
    if (mainThreadId == 0) mainThreadId = PlatformCurrentThreadId();
    VerifyOnMainThread("ZEKInit");
    hostVersion = QueryHostVersion();
    if (hostVersion >= 620 && static_cast<int32_t>(InvokeHost1(MSG_ACCEPT_CALLBACK_BLOCK, WordFromInt(1))) == 0)
        useCallbackBlock = 1;
    RequestHostMemoryFunctions();
}
