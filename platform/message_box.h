// Message boxes and the system beep. There is no desktop here: a message box
// writes its title and text to standard error and answers OK.
#pragma once
#include <cstdint>

enum : uint32_t { PLATFORM_MB_OK = 0x0, PLATFORM_MB_ICONEXCLAMATION = 0x30 };
enum : int32_t { PLATFORM_IDOK = 1 };

using PlatformMessageBoxSink = int32_t (*)(void* owner, const char* text, const char* title, uint32_t type);
using PlatformBeepSink = void (*)(uint32_t type);

// Shows a message box; returns the button that closed it (IDOK here).
int32_t PlatformMessageBox(void* owner, const char* text, const char* title, uint32_t type);

// Sounds the system beep of the given type.
void PlatformMessageBeep(uint32_t type);

// Replace the message box or the beep, for tests; null restores the default.
void PlatformSetMessageBoxSink(PlatformMessageBoxSink sink);
void PlatformSetBeepSink(PlatformBeepSink sink);
