// Asynchronous key state, as GetAsyncKeyState reports it, with a seam tests can drive.
#pragma once
#include <cstdint>

enum : int32_t { PLATFORM_VK_CANCEL = 3, PLATFORM_VK_MENU = 18 };
enum : uint16_t { PLATFORM_KEY_DOWN = 0x8000, PLATFORM_KEY_PRESSED_SINCE = 0x0001 };

using PlatformKeyStateSource = int16_t (*)(int32_t virtualKey);

// Returns the key's state bits: 0x8000 when down, 0x0001 when pressed since the last query.
int16_t PlatformGetAsyncKeyState(int32_t virtualKey);

// Replaces the key-state source; null restores the system's.
void PlatformSetKeyStateSource(PlatformKeyStateSource source);
