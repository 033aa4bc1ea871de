// The flow driver: wraps the frames as OpenCV matrices over the wave's memory, runs the
// method pair by pair and writes the fields into the output layers. No host call in the loop.
#include "flow/flow_driver.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <opencv2/core.hpp>
#include <opencv2/video/tracking.hpp>

#include "bridge/error_codes.h"
#include "bridge/host_services.h"
#include "flow/flow_errors.h"
#include "flow/flow_limits.h"
#include "flow/flow_outputs.h"
#include "numconv/numeric_types.h"
#include "waves/wave_services.h"

namespace {

struct FlowOutputNames {
    const char* x;
    const char* y;
};

constexpr FlowOutputNames OUTPUT_NAMES[] = {
    {"M_FarnebackDrevlin_X", "M_FarnebackDrevlin_Y"},  // FLOW_FARNEBACK
    {"M_DISDrevlin_X", "M_DISDrevlin_Y"},              // FLOW_DIS
};

// How one component leaves the flow matrix: value × factor + addend. cv::Mat::convertTo copies
// unchanged when the scale is 1 (× 1 − 0 gives back every value, −0 included) and otherwise
// computes value × float(step) + 0, which turns −0 into +0.
struct ComponentScale {
    float factor;
    float addend;
};

ComponentScale ScaleFor(double step, bool pixels)
{
    if (pixels || std::fabs(step - 1) < DBL_EPSILON) return {1.0f, -0.0f};
    return {static_cast<float>(step), 0.0f};
}

// Writes element i of both components.
inline void StorePair(const float* flow, int64_t i, ComponentScale sx, ComponentScale sy, float* x, float* y)
{
    x[i] = flow[2 * i] * sx.factor + sx.addend;
    y[i] = flow[2 * i + 1] * sy.factor + sy.addend;
}

// True when the input wave is also one of the waves the outputs would replace.
bool InputIsAnOutput(WaveHandle input, const FlowOutputNames& names)
{
    return FindWaveInFolder(nullptr, names.x) == input || FindWaveInFolder(nullptr, names.y) == input;
}

int32_t ReportOpenCVError(const char* what)
{
    char text[1024];
    std::snprintf(text, sizeof text, "Drevlin: OpenCV could not compute the flow: %s\r", what);
    PostNotice(text);
    return FLOW_ERR_OPENCV;
}

// Runs the method over every pair; OpenCV's errors propagate as exceptions.
void RunFlowLoop(const FlowSettings* settings, const uint8_t* frames, int64_t size0, int64_t size1, int64_t size2,
                 bool pixels, double step0, double step1, float* x, float* y)
{
    const int rows = static_cast<int>(size1), cols = static_cast<int>(size0);
    const int64_t frameBytes = size0 * size1;
    const FlowSetting* e = settings->entries;
    cv::Mat flow;
    cv::Ptr<cv::DISOpticalFlow> dis;
    if (settings->method == FLOW_FARNEBACK)
        flow.create(rows, cols, CV_32FC2);
    else
        dis = cv::DISOpticalFlow::create(e[DIS_PRESET].value.intValue);
    for (int64_t k = 0; k + 1 < size2; ++k) {
        cv::Mat previous(rows, cols, CV_8UC1, const_cast<uint8_t*>(frames + k * frameBytes), size_t(cols));
        cv::Mat next(rows, cols, CV_8UC1, const_cast<uint8_t*>(frames + (k + 1) * frameBytes), size_t(cols));
        if (settings->method == FLOW_FARNEBACK)
            cv::calcOpticalFlowFarneback(previous, next, flow, e[FARNEBACK_PYR_SCALE].value.realValue,
                                         e[FARNEBACK_LEVELS].value.intValue, e[FARNEBACK_WINSIZE].value.intValue,
                                         e[FARNEBACK_ITERATIONS].value.intValue, e[FARNEBACK_POLY_N].value.intValue,
                                         e[FARNEBACK_POLY_SIGMA].value.realValue, e[FARNEBACK_FLAGS].value.intValue);
        else {
            // DIS would take a flow matrix of the right size as its first estimate; an empty one
            // makes every pair its own computation, as with Farnebäck.
            flow.release();
            dis->calc(previous, next, flow);
        }
        StoreFlowComponents(flow.ptr<float>(), frameBytes, step0, step1, pixels, x + k * frameBytes,
                            y + k * frameBytes);
    }
    if (dis) dis->collectGarbage();
}

}  // namespace

void StoreFlowComponents(const float* flow, int64_t count, double step0, double step1, bool pixels, float* x, float* y)
{
    const ComponentScale sx = ScaleFor(step0, pixels), sy = ScaleFor(step1, pixels);
    // One pass over the interleaved field: the split, the scaling and both copies at once.
    int64_t i = 0;
#if defined(__SSE2__)
    // The outputs are not read again, so aligned stretches bypass the cache (same values, no
    // reads for ownership); multiply and add stay separate operations, as in the scalar loop.
    while (i < count && ((reinterpret_cast<uintptr_t>(x + i) | reinterpret_cast<uintptr_t>(y + i)) & 15u)) {
        StorePair(flow, i, sx, sy, x, y);
        ++i;
    }
    if (i < count && ((reinterpret_cast<uintptr_t>(x + i) | reinterpret_cast<uintptr_t>(y + i)) & 15u) == 0) {
        const __m128 fx = _mm_set1_ps(sx.factor), ax = _mm_set1_ps(sx.addend);
        const __m128 fy = _mm_set1_ps(sy.factor), ay = _mm_set1_ps(sy.addend);
        for (; i + 4 <= count; i += 4) {
            const __m128 a = _mm_loadu_ps(flow + 2 * i), b = _mm_loadu_ps(flow + 2 * i + 4);
            const __m128 xs = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
            const __m128 ys = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
            _mm_stream_ps(x + i, _mm_add_ps(_mm_mul_ps(xs, fx), ax));
            _mm_stream_ps(y + i, _mm_add_ps(_mm_mul_ps(ys, fy), ay));
        }
        _mm_sfence();
    }
#endif
    for (; i < count; ++i) StorePair(flow, i, sx, sy, x, y);
}

int32_t ComputeDenseFlow(WaveHandle input, const FlowSettings* settings, bool pixels)
{
    if (GetWaveNumericType(input) != (TYPE_INT8 | TYPE_UNSIGNED)) return ERR_NUMERIC_TYPE_INPUT;
    int32_t count = 0;
    DimensionSizeArray sizes;
    if (int32_t err = GetWaveDimensionSizes(input, &count, sizes)) return err;
    if (count != 3) return ERR_NOT_THREE_DIMENSIONAL;
    const int64_t size0 = sizes[0], size1 = sizes[1], size2 = sizes[2];
    if (size2 < 2) return ERR_TOO_FEW_FRAMES;
    if (int32_t err = ValidateFlowSettings(settings, size0, size1)) return err;
    const FlowOutputNames& names = OUTPUT_NAMES[settings->method == FLOW_DIS ? 1 : 0];
    // Replacing the input would free the block whose address the loop reads from.
    if (InputIsAnOutput(input, names)) return FLOW_ERR_INPUT_IS_OUTPUT;
    int64_t inputOffset = 0;
    if (int32_t err = GetWaveDataOffset(input, 0, &inputOffset)) return err;
    const uint8_t* frames = reinterpret_cast<const uint8_t*>(*input) + inputOffset;
    WaveHandle x = nullptr, y = nullptr;
    if (int32_t err = MakeFlowOutputs(input, &x, names.x, &y, names.y, pixels)) return err;
    double step0 = 1, step1 = 1, offset = 0;
    if (int32_t err = GetWaveDimensionScaling(input, 0, &step0, &offset)) return err;
    if (int32_t err = GetWaveDimensionScaling(input, 1, &step1, &offset)) return err;
    int64_t xOffset = 0, yOffset = 0;
    if (int32_t err = GetWaveDataOffset(x, 0, &xOffset)) return err;
    if (int32_t err = GetWaveDataOffset(y, 0, &yOffset)) return err;
    float* xData = reinterpret_cast<float*>(*x + xOffset);
    float* yData = reinterpret_cast<float*>(*y + yOffset);
    try {
        RunFlowLoop(settings, frames, size0, size1, size2, pixels, step0, step1, xData, yData);
    } catch (const cv::Exception& e) {
        return ReportOpenCVError(e.what());
    } catch (const std::bad_alloc&) {
        return ReportOpenCVError("out of memory");
    }
    return 0;
}
