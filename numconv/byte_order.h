// Byte-order reversal of the elements of a block, in place.
#pragma once
#include <cstdint>

// Reverses the bytes of each of count elements of elementBytes bytes (little-endian to
// big-endian and back). One-byte elements, a count of 0 and an elementBytes of 0 or less
// leave the data unchanged.
void ReverseElementBytes(void* data, int32_t elementBytes, uint64_t count);
