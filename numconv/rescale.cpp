// Offset, scale, clip and rounding transforms: resolve the steps and bounds, then run the kind's loop.
#include "numconv/rescale.h"

#include <limits>

#include "numconv/conversion_kernels.h"
#include "numconv/conversion_rules.h"
#include "numconv/element_kinds.h"

namespace {

struct ClipBounds {
    bool clips;  // false for the float kinds: they have no bounds of their own
    double low;
    double high;
};

constexpr double TWO_POW_53 = 9007199254740992.0;

// The bounds that stand in for a low and high of 0 and 0, by kind index. The 64-bit integer
// kinds stop at 2^53 in magnitude, the largest range in which float64 holds every integer.
constexpr ClipBounds DEFAULT_BOUNDS[NUMKIND_COUNT] = {
    {true, -128.0, 127.0},
    {true, 0.0, 255.0},
    {true, -32768.0, 32767.0},
    {true, 0.0, 65535.0},
    {true, -2147483648.0, 2147483647.0},
    {true, 0.0, 4294967295.0},
    {true, -TWO_POW_53, TWO_POW_53},
    {true, 0.0, TWO_POW_53},
    {false, 0.0, 0.0},
    {false, 0.0, 0.0},
};

}  // namespace

void RescaleNumbers(int32_t typeCode, void* data, const double* offset, const double* scale, int64_t count) {
    if (*offset == 0.0 && *scale == 1.0) return;
    const RescaleLoop loop = SelectRescaleLoop(FindKindOfTypeCode(typeCode));
    if (loop != nullptr) loop(data, offset, scale, count);
}

void RescaleClipRoundNumbers(int32_t typeCode, void* data, int64_t count, double offset, double scale,
                             double low, double high, int32_t roundFlag) {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    const int32_t kind = FindKindOfTypeCode(typeCode);
    const bool doScale = !(offset == 0.0 && scale == 1.0);
    bool doClip = !(low == -infinity && high == infinity);
    if (low == 0.0 && high == 0.0 && kind != NUMKIND_NONE) {
        doClip = DEFAULT_BOUNDS[kind].clips;
        low = DEFAULT_BOUNDS[kind].low;
        high = DEFAULT_BOUNDS[kind].high;
    }
    if (!doScale && !doClip && roundFlag == 0) return;
    const RescaleClipRoundLoop loop = SelectRescaleClipRoundLoop(kind);
    if (loop != nullptr) loop(data, count, offset, scale, low, high, doScale, doClip, roundFlag);
}

double RoundHalfAwayFromZero(double x) { return RoundElementHalfAwayFromZero(x); }
