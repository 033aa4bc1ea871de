// Refuses flow settings and frame sizes that OpenCV 4.6 cannot process safely, each with
// the code whose text names the rule. The limits come from running OpenCV on every setting
// across its range under AddressSanitizer and valgrind.
#include "flow/flow_limits.h"

#include <algorithm>

#include "bridge/error_codes.h"
#include "flow/flow_errors.h"

namespace {

// An integer Farnebäck setting and the range passed on to OpenCV.
struct IntegerLimit {
    int32_t index;
    int32_t low;
    int32_t high;
    int32_t error;
};

constexpr IntegerLimit FARNEBACK_INTEGER_LIMITS[] = {
    // From -2 down the window overruns OpenCV's row buffers, and 0 and -1 give NaN or noise;
    // past 10000 a Gaussian window takes minutes per pair, past 4e8 the buffer sizes overflow.
    {FARNEBACK_WINSIZE, FLOW_MIN_WINSIZE, FLOW_MAX_WINSIZE, FLOW_ERR_WINSIZE},
    // Zero or fewer sweeps leave the flow at zero; each sweep is a pass over the frame, so
    // counts near 2^31 would run for days.
    {FARNEBACK_ITERATIONS, INT32_MIN, FLOW_MAX_ITERATIONS, FLOW_ERR_ITERATIONS},
    // A negative neighbourhood gives OpenCV a negative buffer size (an exception, or a crash
    // at INT32_MIN); its set-up costs poly_n squared whatever the frame (10000: 8 s).
    {FARNEBACK_POLY_N, 0, FLOW_MAX_POLY_N, FLOW_ERR_POLY_N},
};

// The kind of each entry, by position, for each method.
constexpr int32_t FARNEBACK_KINDS[FARNEBACK_SETTING_COUNT] = {
    SETTING_REAL, SETTING_INT, SETTING_INT, SETTING_INT, SETTING_INT, SETTING_REAL, SETTING_INT};
constexpr int32_t DIS_KINDS[DIS_SETTING_COUNT] = {SETTING_INT};

// The finest pyramid level each DIS preset (0, 1, 2) computes on in OpenCV 4.6.
constexpr int32_t DIS_FINEST_SCALE[] = {2, 2, 1};

// True when the record holds exactly the entries its method reads, each of its kind.
bool HasExpectedEntries(const FlowSettings* settings)
{
    if (settings == nullptr || settings->entries == nullptr) return false;
    const int32_t* kinds = nullptr;
    int32_t count = 0;
    if (settings->method == FLOW_FARNEBACK) {
        kinds = FARNEBACK_KINDS;
        count = FARNEBACK_SETTING_COUNT;
    } else if (settings->method == FLOW_DIS) {
        kinds = DIS_KINDS;
        count = DIS_SETTING_COUNT;
    } else {
        return false;
    }
    if (settings->count != count) return false;
    for (int32_t i = 0; i < count; ++i)
        if (settings->entries[i].kind != kinds[i]) return false;
    return true;
}

// Return 0 when the frame has sides and a pixel count whose int arithmetic inside OpenCV
// cannot overflow, or FLOW_ERR_FRAME_SIZE.
int32_t CheckFrameSize(int64_t size0, int64_t size1)
{
    if (size0 < 1 || size1 < 1 || size0 > FLOW_MAX_FRAME_SIDE || size1 > FLOW_MAX_FRAME_SIDE)
        return FLOW_ERR_FRAME_SIZE;
    // Both sides are at most 2^24 here, so the product fits in 64 bits.
    if (size0 * size1 > FLOW_MAX_FRAME_PIXELS) return FLOW_ERR_FRAME_SIZE;
    return 0;
}

// Return 0 when the seven Farnebäck entries are safe for this frame, or the first rule's code.
int32_t CheckFarneback(const FlowSetting* entries, int64_t size0, int64_t size1)
{
    // OpenCV asserts pyr_scale < 1, which a NaN fails too; 0 and below just mean no pyramid.
    const double pyrScale = entries[FARNEBACK_PYR_SCALE].value.realValue;
    if (!(pyrScale < 1)) return FLOW_ERR_PYR_SCALE;
    for (const IntegerLimit& limit : FARNEBACK_INTEGER_LIMITS) {
        const int32_t value = entries[limit.index].value.intValue;
        if (value < limit.low || value > limit.high) return limit.error;
    }
    // Any other flag bit would make OpenCV start from the flow matrix's unset content.
    const int32_t flags = entries[FARNEBACK_FLAGS].value.intValue;
    if (flags != 0 && flags != FARNEBACK_GAUSSIAN_FLAG) return FLOW_ERR_SETTINGS;
    // Each level blurs the whole frame once, so a pyr_scale near 1 with many levels never ends.
    const int32_t levels = entries[FARNEBACK_LEVELS].value.intValue;
    if (CountFarnebackLevels(pyrScale, levels, size0, size1, FLOW_MAX_PYRAMID_LEVELS) > FLOW_MAX_PYRAMID_LEVELS)
        return FLOW_ERR_LEVELS;
    return 0;
}

// The coarsest level OpenCV takes by width: floor(log2(columns / 20)), at least 0. (It works in
// float, but only widths below 100 decide a case, and there float is exact.)
int32_t DISLevelFromWidth(int64_t columns)
{
    int32_t level = 0;
    while ((int64_t{20} << (level + 1)) <= columns) ++level;
    return level;
}

// Return 0 when DIS with this preset can process the frame, or the first rule's code.
int32_t CheckDIS(int32_t preset, int64_t size0, int64_t size1)
{
    if (preset < 0 || preset > 2) return ERR_DIS_PRESET;
    const int64_t shortSide = std::min(size0, size1), longSide = std::max(size0, size1);
    // OpenCV throws when no pyramid level holds a patch: these are exactly its failing sizes.
    if (shortSide < FLOW_DIS_PATCH_SIZE || longSide < FLOW_DIS_MIN_LONG_SIDE) return FLOW_ERR_DIS_FRAME_SMALL;
    // When the short side holds fewer than 2^finest patches, OpenCV picks its coarsest level
    // from the width alone, and in a wide, short frame that level is lower than a patch: OpenCV
    // reads outside it and may crash. (It also does so when the long side is below 91, or 46
    // for preset 2, but the short side then always leaves a patch's height.)
    if (shortSide >= (FLOW_DIS_PATCH_SIZE << DIS_FINEST_SCALE[preset])) return 0;
    const int32_t level = DISLevelFromWidth(size0);
    if ((size0 >> level) < FLOW_DIS_PATCH_SIZE || (size1 >> level) < FLOW_DIS_PATCH_SIZE)
        return FLOW_ERR_DIS_FRAME_SHAPE;
    return 0;
}

}  // namespace

int32_t CountFarnebackLevels(double pyrScale, int32_t levels, int64_t size0, int64_t size1, int32_t limit)
{
    // OpenCV's own loop: shrink by pyr_scale per level, stop when a side drops below 32.
    const double columns = static_cast<double>(size0), rows = static_cast<double>(size1);
    double scale = 1;
    int32_t count = 0;
    while (count < levels && count <= limit) {
        scale *= pyrScale;
        if (columns * scale < FLOW_PYRAMID_MIN_SIDE || rows * scale < FLOW_PYRAMID_MIN_SIDE) break;
        ++count;
    }
    return count;
}

int32_t ValidateFlowSettings(const FlowSettings* settings, int64_t size0, int64_t size1)
{
    if (!HasExpectedEntries(settings)) return FLOW_ERR_SETTINGS;
    if (int32_t err = CheckFrameSize(size0, size1)) return err;
    if (settings->method == FLOW_FARNEBACK) return CheckFarneback(settings->entries, size0, size1);
    return CheckDIS(settings->entries[DIS_PRESET].value.intValue, size0, size1);
}
