// Accessors of the link record's fields. Each runs the main-thread check with its own
// name, ignores the answer and does its work anyway.
#pragma once
#include <cstdint>

#include "bridge/link_record.h"

void SetZEKType(int32_t type);
void SetZEKEntry(ZEKEntryProc routine);
void SetZEKMessage(int32_t code);   // only the low 16 bits travel
void SetZEKResult(int64_t value);
int32_t GetZEKMessage();
int64_t GetZEKResult();
int32_t GetZEKStatus();
int64_t GetZEKItem(int32_t index);  // 0 outside 0 … itemCount-1
