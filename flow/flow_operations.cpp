// Execute functions: parameter block → FlowSettings with defaults → flow driver.
#include "flow/flow_operations.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "bridge/entry_guard.h"
#include "bridge/error_codes.h"
#include "flow/flow_errors.h"
#include "flow/flow_driver.h"
#include "flow/flow_settings.h"

int32_t TruncateToInt32(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);  // in range: truncation toward zero is defined
}

namespace {

// One Farnebäck setting taken from the block: where its given-word and value lie, and its default.
struct FarnebackParam {
    int32_t index;
    size_t givenOffset;
    size_t valueOffset;
    int32_t kind;
    double defaultValue;
};

constexpr FarnebackParam FARNEBACK_PARAMS[] = {
    {FARNEBACK_PYR_SCALE, offsetof(FarnebackParamBlock, PSGiven), offsetof(FarnebackParamBlock, pyr_scale), SETTING_REAL, 0.5},
    {FARNEBACK_LEVELS, offsetof(FarnebackParamBlock, LGiven), offsetof(FarnebackParamBlock, levels), SETTING_INT, 3},
    {FARNEBACK_WINSIZE, offsetof(FarnebackParamBlock, WGiven), offsetof(FarnebackParamBlock, winsize), SETTING_INT, 15},
    {FARNEBACK_ITERATIONS, offsetof(FarnebackParamBlock, NGiven), offsetof(FarnebackParamBlock, iterations), SETTING_INT, 3},
    {FARNEBACK_POLY_N, offsetof(FarnebackParamBlock, POLYGiven), offsetof(FarnebackParamBlock, poly_n), SETTING_INT, 5},
    {FARNEBACK_POLY_SIGMA, offsetof(FarnebackParamBlock, POLYGiven), offsetof(FarnebackParamBlock, poly_sigma), SETTING_REAL, 1.2},
};

int32_t ReadInt32At(const void* block, size_t offset)
{
    int32_t value;
    std::memcpy(&value, static_cast<const char*>(block) + offset, sizeof value);
    return value;
}

double ReadRealAt(const void* block, size_t offset)
{
    double value;
    std::memcpy(&value, static_cast<const char*>(block) + offset, sizeof value);
    return value;
}

FlowSetting MakeSetting(int32_t kind, double value)
{
    FlowSetting setting{};
    setting.kind = kind;
    if (kind == SETTING_INT)
        setting.value.intValue = TruncateToInt32(value);
    else
        setting.value.realValue = value;
    return setting;
}

int32_t RunFarneback(FarnebackParamBlock* block)
{
    FlowSetting entries[FARNEBACK_SETTING_COUNT];
    for (const FarnebackParam& p : FARNEBACK_PARAMS) {
        bool given = ReadInt32At(block, p.givenOffset) != 0;
        entries[p.index] = MakeSetting(p.kind, given ? ReadRealAt(block, p.valueOffset) : p.defaultValue);
    }
    entries[FARNEBACK_FLAGS] = MakeSetting(SETTING_INT, block->GGiven ? FARNEBACK_GAUSSIAN_FLAG : 0);
    if (!block->waveHGiven) return 0;
    if (!block->waveH) return ERR_NULL_WAVE_PARAMETER;
    FlowSettings settings{FARNEBACK_SETTING_COUNT, entries, FLOW_FARNEBACK};
    return ComputeDenseFlow(block->waveH, &settings, block->PXLGiven != 0);
}

int32_t RunDIS(DISParamBlock* block)
{
    double preset = 1;
    if (block->PRSTGiven) {
        preset = block->preset;
        if (!(preset >= 0 && preset < 3)) return ERR_DIS_PRESET;  // NaN fails too
    }
    FlowSetting entries[DIS_SETTING_COUNT] = {MakeSetting(SETTING_INT, preset)};
    if (!block->waveHGiven) return 0;
    if (!block->waveH) return ERR_NULL_WAVE_PARAMETER;
    FlowSettings settings{DIS_SETTING_COUNT, entries, FLOW_DIS};
    return ComputeDenseFlow(block->waveH, &settings, block->PXLGiven != 0);
}

}  // namespace

extern "C" int32_t RunDrevlinFarneback(FarnebackParamBlock* block)
{
    return GuardHostEntry(FLOW_ERR_OPENCV, [&] { return RunFarneback(block); });
}

extern "C" int32_t RunDrevlinDIS(DISParamBlock* block)
{
    return GuardHostEntry(FLOW_ERR_OPENCV, [&] { return RunDIS(block); });
}
