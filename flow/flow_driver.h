// The flow driver both operations end in.
#pragma once
#include <cstdint>

#include "flow/flow_settings.h"
#include "waves/wave_header.h"

// Computes the flow from every frame of an unsigned 8-bit rows × columns × frames wave to the
// next into new X and Y matrices. Returns 0, or 17, 592, 6313, a settings error, a service's
// code, or FLOW_ERR_OPENCV when OpenCV raised an error (a notice says which).
int32_t ComputeDenseFlow(WaveHandle input, const FlowSettings* settings, bool pixels);

// Writes one flow field (interleaved x, y pixels) into the output layers: each component
// multiplied by its step unless `pixels`, with the same float arithmetic as cv::Mat::convertTo,
// so the result is bit for bit that of split, scale and copy.
void StoreFlowComponents(const float* flow, int64_t count, double step0, double step1, bool pixels, float* x,
                         float* y);
