// Physical calibration of an image stack: pixel steps, origin, units and frame timing.
#pragma once
#include <string>

// An uncalibrated stack has steps 1, offsets 0 and an empty unit (pixels).
struct StackCalibration {
    double stepX = 1.0;    // size of one column step (dimension 0) in `unit`
    double stepY = 1.0;    // size of one row step (dimension 1) in `unit`
    double offsetX = 0.0;  // position of column 0 in `unit`
    double offsetY = 0.0;  // position of row 0 in `unit`
    std::string unit;      // UTF-8 length unit of both steps, "" for pixels; micrometres are "µm"
    double frameInterval = 0.0;  // time between frames, 0 when the source does not say
    std::string timeUnit;        // unit of frameInterval, e.g. "sec"
    double sliceSpacing = 0.0;   // ImageJ's third-dimension step, 0 when absent
};
