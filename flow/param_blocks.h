// The runtime parameter blocks Tavra fills for the two operations: 2-byte packed,
// little-endian, fields in template order (given-word, values, one word per value).
#pragma once
#include <cstddef>
#include <cstdint>

#include "waves/wave_header.h"

#pragma pack(push, 2)
struct FarnebackParamBlock {
    int32_t PSGiven;
    double pyr_scale;
    int32_t PSParamWords;
    int32_t LGiven;
    double levels;
    int32_t LParamWords;
    int32_t WGiven;
    double winsize;
    int32_t WParamWords;
    int32_t NGiven;
    double iterations;
    int32_t NParamWords;
    int32_t GGiven;
    int32_t POLYGiven;
    double poly_n;
    double poly_sigma;
    int32_t POLYParamWords[2];
    int32_t PXLGiven;
    int32_t waveHGiven;
    WaveHandle waveH;
    uint8_t hostTrailer[12];
};

struct DISParamBlock {
    int32_t PRSTGiven;
    double preset;
    int32_t PRSTParamWords;
    int32_t PXLGiven;
    int32_t waveHGiven;
    WaveHandle waveH;
    uint8_t hostTrailer[12];
};
#pragma pack(pop)

static_assert(offsetof(FarnebackParamBlock, PSGiven) == 0);
static_assert(offsetof(FarnebackParamBlock, pyr_scale) == 4);
static_assert(offsetof(FarnebackParamBlock, PSParamWords) == 12);
static_assert(offsetof(FarnebackParamBlock, LGiven) == 16);
static_assert(offsetof(FarnebackParamBlock, levels) == 20);
static_assert(offsetof(FarnebackParamBlock, LParamWords) == 28);
static_assert(offsetof(FarnebackParamBlock, WGiven) == 32);
static_assert(offsetof(FarnebackParamBlock, winsize) == 36);
static_assert(offsetof(FarnebackParamBlock, WParamWords) == 44);
static_assert(offsetof(FarnebackParamBlock, NGiven) == 48);
static_assert(offsetof(FarnebackParamBlock, iterations) == 52);
static_assert(offsetof(FarnebackParamBlock, NParamWords) == 60);
static_assert(offsetof(FarnebackParamBlock, GGiven) == 64);
static_assert(offsetof(FarnebackParamBlock, POLYGiven) == 68);
static_assert(offsetof(FarnebackParamBlock, poly_n) == 72);
static_assert(offsetof(FarnebackParamBlock, poly_sigma) == 80);
static_assert(offsetof(FarnebackParamBlock, POLYParamWords) == 88);
static_assert(offsetof(FarnebackParamBlock, PXLGiven) == 96);
static_assert(offsetof(FarnebackParamBlock, waveHGiven) == 100);
static_assert(offsetof(FarnebackParamBlock, waveH) == 104);
static_assert(offsetof(FarnebackParamBlock, hostTrailer) == 112);
static_assert(sizeof(FarnebackParamBlock) == 124);

static_assert(offsetof(DISParamBlock, PRSTGiven) == 0);
static_assert(offsetof(DISParamBlock, preset) == 4);
static_assert(offsetof(DISParamBlock, PRSTParamWords) == 12);
static_assert(offsetof(DISParamBlock, PXLGiven) == 16);
static_assert(offsetof(DISParamBlock, waveHGiven) == 20);
static_assert(offsetof(DISParamBlock, waveH) == 24);
static_assert(offsetof(DISParamBlock, hostTrailer) == 32);
static_assert(sizeof(DISParamBlock) == 44);
