// Frame stacks for flow tests: textured frames with a known shift, made into host waves,
// and the reference results of calling OpenCV directly.
#pragma once
#include <opencv2/core.hpp>

#include <string>
#include <vector>

#include "host/host_waves.h"
#include "tests/module_fixture.h"

struct StackShape {
    int size0 = 64;          // columns
    int size1 = 48;          // rows
    int frames = 3;
    double shift0 = 1.0;     // pixels per frame along dimension 0
    double shift1 = 0.0;     // pixels per frame along dimension 1
    double step0 = 0.5, step1 = 2.0, offset0 = 10, offset1 = -3;
    std::string units0 = "µm", units1 = "mm";
};

// Frames of a smooth random texture, frame k shifted by k × shift (sub-pixel, bilinear).
std::vector<cv::Mat> MakeFrames(const StackShape& shape, unsigned seed = 7);

// Makes an unsigned 8-bit rows × columns × frames wave from the frames, with the shape's scaling and units.
WaveHandle MakeStackWave(const char* name, const std::vector<cv::Mat>& frames, const StackShape& shape);

// Reference layers computed by OpenCV directly: Farnebäck with the given settings or DIS with a preset,
// then split, scaled with convertTo (unless pixels) — the road the module's fused pass must match bit for bit.
struct FarnebackArgs {
    double pyrScale = 0.5;
    int levels = 3, winsize = 15, iterations = 3, polyN = 5;
    double polySigma = 1.2;
    int flags = 0;
};
void ReferenceFarneback(const std::vector<cv::Mat>& frames, const FarnebackArgs& args, double step0, double step1,
                        bool pixels, std::vector<float>* x, std::vector<float>* y);
void ReferenceDIS(const std::vector<cv::Mat>& frames, int preset, double step0, double step1, bool pixels,
                  std::vector<float>* x, std::vector<float>* y);

// The elements of a float wave as a vector.
std::vector<float> WaveFloats(WaveHandle wave);

// Bit-for-bit equality of two float vectors; returns the index of the first difference or -1.
long FirstBitDifference(const std::vector<float>& a, const std::vector<float>& b);
