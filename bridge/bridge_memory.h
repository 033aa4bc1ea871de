// The module's memory functions: each calls the host's memory table where it has an
// entry, else the host export of the same name.
#pragma once
#include <cstdint>

#include "bridge/host_exports.h"

#define DREVLIN_DECLARE_BRIDGE_MEMORY(index, name, road, ret, params, args) ret Bridge##name params;
DREVLIN_MEMORY_FUNCTIONS(DREVLIN_DECLARE_BRIDGE_MEMORY)
#undef DREVLIN_DECLARE_BRIDGE_MEMORY

// Asks a host of 8.00 or later to fill hostMemoryTable (message 292); the answer is not checked.
void RequestHostMemoryFunctions();
