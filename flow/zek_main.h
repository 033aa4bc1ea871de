// The module's entry point and message routine, called by the host with C linkage.
#pragma once
#include <cstdint>

#include "bridge/link_record.h"

extern "C" {
// Initialises the bridge, refuses hosts before 8.00 (result 10001), registers both
// operations. Returns 0 when both are registered, else 1; the record's result says why.
__attribute__((visibility("default"))) int32_t ZEKMain(HostLinkHandle linkRecord);
// Answers every later message from the host with result 0.
void ModuleMessageEntry(void);
}
