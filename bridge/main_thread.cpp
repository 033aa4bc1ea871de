// Main-thread check with its throttled warning.
#include "bridge/main_thread.h"

#include <cstdio>

#include "bridge/bridge_state.h"
#include "platform/message_box.h"
#include "platform/thread_id.h"

int32_t IsMainThread()
{
    return static_cast<uint64_t>(PlatformCurrentThreadId()) == mainThreadId ? 1 : 0;
}

int32_t VerifyOnMainThread(const char* routineName)
{
    if (IsMainThread()) return 1;
    uint32_t now = TickCount();
    // Unsigned arithmetic on purpose: the sum wraps as the host's 32-bit counter does.
    if (now >= static_cast<uint32_t>(lastThreadWarningTick + THREAD_WARNING_INTERVAL_TICKS)) {
        char text[256];
        std::snprintf(text, sizeof text, "BUG: %s is not threadsafe.\r", routineName ? routineName : "");
        ShowEmergencyAlert(text);
        lastThreadWarningTick = now;
    }
    return 0;
}

int32_t ShowEmergencyAlert(const char* message)
{
    return PlatformMessageBox(nullptr, message, "Emergency", PLATFORM_MB_OK);
}
