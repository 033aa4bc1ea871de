// Initialisation every module runs first.
#pragma once

#include "bridge/link_record.h"

// Stores the link record, records the main thread, finds the host version, chooses the
// call mechanism and, from 8.00 on, asks for the host's memory-function table.
void ZEKInit(HostLinkHandle handle);
