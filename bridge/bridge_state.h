// The bridge's module-wide state: one instance per loaded module, all zero at load.
#pragma once
#include <cstdint>

#include "bridge/host_exports.h"
#include "bridge/link_record.h"

extern HostLinkHandle linkRecordHandle;     // handle of the last ZEKInit
extern uint64_t mainThreadId;               // thread of the first ZEKInit, 0 until recorded
extern int32_t hostVersion;                 // hundredths: 800 is 8.00; 0 when unknown
extern int32_t useCallbackBlock;            // 1 once the host accepted HostCallbackBlock calls
extern uint32_t lastAbortPollTick;          // tick of the last full PollUserAbort evaluation
extern uint32_t lastThreadWarningTick;      // tick of the last not-threadsafe warning
extern uint64_t hostMemoryTable[HOST_MEMORY_FUNCTION_COUNT];  // filled by the host (message 292)

// Returns every piece of bridge state to its value at load, so tests start fresh.
// The module file does not export it.
void ResetBridgeState();
