// Key state: a process without a desktop keyboard sees every key up.
#include "platform/key_state.h"

static PlatformKeyStateSource keyStateSource = nullptr;

int16_t PlatformGetAsyncKeyState(int32_t virtualKey)
{
    if (keyStateSource) return keyStateSource(virtualKey);
    return 0;
}

void PlatformSetKeyStateSource(PlatformKeyStateSource source)
{
    keyStateSource = source;
}
