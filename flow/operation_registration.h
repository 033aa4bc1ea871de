// Registration of the module's two command-line operations.
#pragma once
#include <cstdint>

// Each returns 0 or the host's error code of its one RegisterOperation call.
int32_t RegisterFarnebackOperation();
int32_t RegisterDISOperation();
// Registers DrevlinFarneback, then DrevlinDIS; the first nonzero code stops the sequence.
int32_t RegisterAllOperations();
