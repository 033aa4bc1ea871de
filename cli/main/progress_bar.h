// A one-line progress bar with an estimate of the time left, drawn on standard error.
#pragma once
#include <chrono>
#include <cstdint>

struct ProgressBar {
    bool enabled = false;
    int64_t total = 0;
    std::chrono::steady_clock::time_point start;
    bool drawn = false;
};

// Start counting towards `total` steps. The bar shows only when `wanted` and standard error is a terminal.
void StartProgress(ProgressBar* bar, int64_t total, bool wanted);

// Redraw the bar for `done` steps, with the time left estimated from the pace so far.
void ShowProgress(ProgressBar* bar, int64_t done);

// Clear the bar's line, so what follows starts on a clean line.
void EndProgress(ProgressBar* bar);

// "1:05" for 65 seconds, "1:02:03" past an hour, "--:--" when unknown.
void FormatDuration(double seconds, char* text, int32_t size);
