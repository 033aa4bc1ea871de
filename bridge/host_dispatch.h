// Calls of host services by message code, through the HostCallbackBlock when the host
// accepted it, else through the link record's item slots.
#pragma once
#include <cstdint>

#include "bridge/link_record.h"

// Calls the host with `count` argument words (0 to 8); returns the host's 64-bit result.
int64_t InvokeHostWords(int32_t message, const uint64_t* words, int32_t count);

int64_t InvokeHost0(int32_t message);
int64_t InvokeHost1(int32_t message, uint64_t a1);
int64_t InvokeHost2(int32_t message, uint64_t a1, uint64_t a2);
int64_t InvokeHost3(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3);
int64_t InvokeHost4(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4);
int64_t InvokeHost5(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5);
int64_t InvokeHost6(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5,
                    uint64_t a6);
int64_t InvokeHost7(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5,
                    uint64_t a6, uint64_t a7);
int64_t InvokeHost8(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5,
                    uint64_t a6, uint64_t a7, uint64_t a8);

// The old mechanism's tail: clears the result, writes the message, calls back, reads the result.
int64_t InvokeHostViaRecord(int32_t message);

// Stores the number of valid item slots; no main-thread check.
void SetRecordItemCount(int32_t count);
