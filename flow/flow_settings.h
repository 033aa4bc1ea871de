// The settings record the execute functions hand to the flow driver.
#pragma once
#include <cstdint>

enum : int32_t { FLOW_FARNEBACK = 0, FLOW_DIS = 1 };
enum : int32_t { SETTING_INT = 0, SETTING_REAL = 1 };

// Farnebäck entries, read by position.
enum : int32_t {
    FARNEBACK_PYR_SCALE = 0,   // SETTING_REAL
    FARNEBACK_LEVELS = 1,      // SETTING_INT
    FARNEBACK_WINSIZE = 2,     // SETTING_INT
    FARNEBACK_ITERATIONS = 3,  // SETTING_INT
    FARNEBACK_POLY_N = 4,      // SETTING_INT
    FARNEBACK_POLY_SIGMA = 5,  // SETTING_REAL
    FARNEBACK_FLAGS = 6,       // SETTING_INT
    FARNEBACK_SETTING_COUNT = 7
};
enum : int32_t { DIS_PRESET = 0, DIS_SETTING_COUNT = 1 };

// OpenCV's Gaussian-window flag for the Farnebäck method.
enum : int32_t { FARNEBACK_GAUSSIAN_FLAG = 256 };

struct FlowSetting {
    int32_t kind;  // SETTING_INT or SETTING_REAL
    union {
        int32_t intValue;
        double realValue;
    } value;
};

struct FlowSettings {
    int32_t count;
    FlowSetting* entries;
    int32_t method;  // FLOW_FARNEBACK or FLOW_DIS
};
