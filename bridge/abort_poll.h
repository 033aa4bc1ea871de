// Polling for a user abort in long loops, and letting the host spin.
#pragma once
#include <cstdint>

enum : uint32_t { ABORT_POLL_INTERVAL_TICKS = 6 };

// Returns 1 when the deadline (a host tick, 0 for none) has passed, -1 when the user pressed
// Break without Alt, else 0. The keyboard is looked at most once per 6 ticks.
int32_t PollUserAbort(uint32_t deadline);

// Lets the host process events (message 48); -1 off the main thread under hosts before 6.20.
int64_t SpinProcess();
