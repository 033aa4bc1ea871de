// Abort poll and SpinProcess.
#include "bridge/abort_poll.h"

#include "bridge/bridge_state.h"
#include "bridge/host_dispatch.h"
#include "bridge/main_thread.h"
#include "bridge/message_codes.h"
#include "platform/key_state.h"

static bool KeyDownOrPressed(int32_t virtualKey)
{
    uint16_t state = static_cast<uint16_t>(PlatformGetAsyncKeyState(virtualKey));
    return (state & (PLATFORM_KEY_DOWN | PLATFORM_KEY_PRESSED_SINCE)) != 0;
}

int32_t PollUserAbort(uint32_t deadline)
{
    uint32_t now = TickCount();
    if (now < static_cast<uint32_t>(lastAbortPollTick + ABORT_POLL_INTERVAL_TICKS)) return 0;
    lastAbortPollTick = now;
    if (deadline != 0 && now > deadline) return 1;
    if (KeyDownOrPressed(PLATFORM_VK_CANCEL) && !KeyDownOrPressed(PLATFORM_VK_MENU)) return -1;
    return 0;
}

int64_t SpinProcess()
{
    if (hostVersion < 620 && !VerifyOnMainThread("SpinProcess")) return -1;
    return InvokeHost0(MSG_SPIN_PROCESS);
}
