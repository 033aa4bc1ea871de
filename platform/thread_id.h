// The calling thread's 32-bit system id, with a seam tests can drive.
#pragma once
#include <cstdint>

using PlatformThreadIdSource = uint32_t (*)();

// Returns the calling thread's id (the kernel thread id, cut to 32 bits).
uint32_t PlatformCurrentThreadId();

// Replaces the id source; null restores the system's.
void PlatformSetThreadIdSource(PlatformThreadIdSource source);
