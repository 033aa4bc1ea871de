// The main-thread rule: services that must run on Tavra's main thread check it here.
#pragma once
#include <cstdint>

enum : uint32_t { THREAD_WARNING_INTERVAL_TICKS = 3600 };

// Returns 1 when the calling thread is the one that ran the first ZEKInit, else 0.
int32_t IsMainThread();

// Returns 1 on the main thread; elsewhere shows "BUG: <routine> is not threadsafe." at most
// once per 3600 host ticks (shared by all routines) and returns 0.
int32_t VerifyOnMainThread(const char* routineName);

// Shows the message in an owner-less "Emergency" box with an OK button; any thread may call it.
int32_t ShowEmergencyAlert(const char* message);
