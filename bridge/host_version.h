// Finding the host's version: message 238, else the file version of the host executable.
#pragma once
#include <cstdint>

// Returns the host version in hundredths (800 is 8.00), or 0 when it cannot be found.
int32_t QueryHostVersion();
