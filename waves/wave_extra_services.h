// The toolkit's further wave services, known by their message codes; the module itself
// does not call them. Each passes its arguments as one message and returns the host's result.
#pragma once
#include <cstdint>

#include "waves/wave_header.h"

// code, argument count, parameters, argument words
#define DREVLIN_PLAIN_WAVE_SERVICES(X)                                                                  \
    X(1, 1, (uint64_t a1), (a1))                                                                        \
    X(7, 1, (uint64_t a1), (a1))                                                                        \
    X(36, 2, (uint64_t a1, uint64_t a2), (a1, a2))                                                      \
    X(43, 3, (uint64_t a1, uint64_t a2, int32_t a3), (a1, a2, WordFromInt(a3)))                         \
    X(44, 1, (uint64_t a1), (a1))                                                                       \
    X(50, 5, (uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5), (a1, a2, a3, a4, a5))   \
    X(51, 5, (uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5), (a1, a2, a3, a4, a5))   \
    X(52, 3, (uint64_t a1, uint64_t a2, uint64_t a3), (a1, a2, a3))                                     \
    X(53, 3, (uint64_t a1, uint64_t a2, uint64_t a3), (a1, a2, a3))                                     \
    X(55, 2, (uint64_t a1, uint64_t a2), (a1, a2))                                                      \
    X(84, 4, (uint64_t a1, int32_t a2, uint64_t a3, uint64_t a4), (a1, WordFromInt(a2), a3, a4))        \
    X(85, 4, (uint64_t a1, int32_t a2, uint64_t a3, uint64_t a4), (a1, WordFromInt(a2), a3, a4))        \
    X(91, 3, (uint64_t a1, uint64_t a2, uint64_t a3), (a1, a2, a3))                                     \
    X(92, 3, (uint64_t a1, uint64_t a2, uint64_t a3), (a1, a2, a3))                                     \
    X(196, 1, (uint64_t a1), (a1))                                                                      \
    X(197, 2, (uint64_t a1, int32_t a2), (a1, WordFromInt(a2)))                                         \
    X(205, 3, (uint64_t a1, int32_t a2, uint64_t a3), (a1, WordFromInt(a2), a3))                        \
    X(206, 3, (uint64_t a1, int32_t a2, uint64_t a3), (a1, WordFromInt(a2), a3))                        \
    X(207, 2, (uint64_t a1, uint64_t a2), (a1, a2))                                                     \
    X(208, 2, (uint64_t a1, uint64_t a2), (a1, a2))                                                     \
    X(275, 4, (uint64_t a1, int32_t a2, int32_t a3, uint64_t a4), (a1, WordFromInt(a2), WordFromInt(a3), a4)) \
    X(293, 3, (uint64_t a1, uint64_t a2, uint64_t a3), (a1, a2, a3))                                    \
    X(294, 3, (uint64_t a1, uint64_t a2, uint64_t a3), (a1, a2, a3))                                    \
    X(295, 3, (uint64_t a1, uint64_t a2, uint64_t a3), (a1, a2, a3))                                    \
    X(296, 3, (uint64_t a1, uint64_t a2, uint64_t a3), (a1, a2, a3))

#define DREVLIN_DECLARE_WAVE_SERVICE(code, count, params, words) int64_t WaveService##code params;
DREVLIN_PLAIN_WAVE_SERVICES(DREVLIN_DECLARE_WAVE_SERVICE)
#undef DREVLIN_DECLARE_WAVE_SERVICE

// Message 7 with the argument, then message 1 with 7's result.
int64_t WaveService1After7(uint64_t a1);
// Header field at offset 12 (marker 1) or message 93.
int64_t WaveService93(WaveHandle wave);
// Header field at offset 364 (marker 1) or message 94.
int64_t WaveService94(WaveHandle wave);
// Header field at offset 380 (marker 1) or message 95.
int64_t WaveService95(WaveHandle wave);
// Message 97 from host 7.00 on; before, message 54 and a copy of its handle that the caller owns.
int64_t WaveService97(uint64_t a1);
// Null handle: 0 without a host call; else message 224 with a scratch word the host may set.
int64_t WaveService224(WaveHandle wave);
// Null variable: 0 without a host call; else message 225 with the variable's address.
int64_t WaveService225(WaveHandle* waveVariable);
