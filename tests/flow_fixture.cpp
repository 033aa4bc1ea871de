// Frame stacks and OpenCV reference results for flow tests.
#include "tests/flow_fixture.h"

#include <cstring>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include "numconv/numeric_types.h"

std::vector<cv::Mat> MakeFrames(const StackShape& shape, unsigned seed)
{
    cv::RNG rng(seed);
    cv::Mat noise(shape.size1 + 40, shape.size0 + 40, CV_32F);
    rng.fill(noise, cv::RNG::UNIFORM, 0, 255);
    cv::GaussianBlur(noise, noise, cv::Size(0, 0), 2.0);
    cv::normalize(noise, noise, 0, 255, cv::NORM_MINMAX);
    std::vector<cv::Mat> frames;
    for (int k = 0; k < shape.frames; ++k) {
        cv::Mat m = (cv::Mat_<double>(2, 3) << 1, 0, k * shape.shift0 - 20, 0, 1, k * shape.shift1 - 20);
        cv::Mat shifted, frame;
        cv::warpAffine(noise, shifted, m, cv::Size(shape.size0, shape.size1), cv::INTER_LINEAR);
        shifted.convertTo(frame, CV_8U);
        frames.push_back(frame);
    }
    return frames;
}

WaveHandle MakeStackWave(const char* name, const std::vector<cv::Mat>& frames, const StackShape& shape)
{
    const int64_t sizes[] = {shape.size0, shape.size1, static_cast<int64_t>(frames.size())};
    WaveHandle wave = nullptr;
    if (HostMakeWave(&wave, name, TYPE_INT8 | TYPE_UNSIGNED, sizes, 3, true) != 0) return nullptr;
    auto* data = static_cast<uint8_t*>(HostWaveData(wave));
    for (size_t k = 0; k < frames.size(); ++k)
        for (int r = 0; r < shape.size1; ++r)
            std::memcpy(data + (k * shape.size1 + r) * shape.size0, frames[k].ptr<uint8_t>(r), shape.size0);
    HostSetWaveScaling(wave, 0, shape.step0, shape.offset0);
    HostSetWaveScaling(wave, 1, shape.step1, shape.offset1);
    HostSetWaveUnits(wave, 0, shape.units0);
    HostSetWaveUnits(wave, 1, shape.units1);
    return wave;
}

// Appends one flow field's two components, split and scaled the plain OpenCV way.
static void AppendPlanes(const cv::Mat& flow, double step0, double step1, bool pixels, std::vector<float>* x,
                         std::vector<float>* y)
{
    cv::Mat planes[2];
    cv::split(flow, planes);
    if (!pixels) {
        planes[0].convertTo(planes[0], planes[0].type(), step0, 0);
        planes[1].convertTo(planes[1], planes[1].type(), step1, 0);
    }
    x->insert(x->end(), planes[0].begin<float>(), planes[0].end<float>());
    y->insert(y->end(), planes[1].begin<float>(), planes[1].end<float>());
}

void ReferenceFarneback(const std::vector<cv::Mat>& frames, const FarnebackArgs& a, double step0, double step1,
                        bool pixels, std::vector<float>* x, std::vector<float>* y)
{
    cv::Mat flow(frames[0].rows, frames[0].cols, CV_32FC2);
    for (size_t k = 0; k + 1 < frames.size(); ++k) {
        cv::calcOpticalFlowFarneback(frames[k], frames[k + 1], flow, a.pyrScale, a.levels, a.winsize, a.iterations,
                                     a.polyN, a.polySigma, a.flags);
        AppendPlanes(flow, step0, step1, pixels, x, y);
    }
}

void ReferenceDIS(const std::vector<cv::Mat>& frames, int preset, double step0, double step1, bool pixels,
                  std::vector<float>* x, std::vector<float>* y)
{
    cv::Ptr<cv::DISOpticalFlow> dis = cv::DISOpticalFlow::create(preset);
    for (size_t k = 0; k + 1 < frames.size(); ++k) {
        cv::Mat flow;  // a fresh matrix: no pair starts from the previous pair's flow
        dis->calc(frames[k], frames[k + 1], flow);
        AppendPlanes(flow, step0, step1, pixels, x, y);
    }
}

std::vector<float> WaveFloats(WaveHandle wave)
{
    int64_t sizes[4];
    int32_t count = HostWaveDimensions(wave, sizes);
    int64_t n = count ? 1 : 0;
    for (int32_t i = 0; i < count; ++i) n *= sizes[i];
    auto* data = static_cast<const float*>(HostWaveData(wave));
    return std::vector<float>(data, data + n);
}

long FirstBitDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<long>(i);
    return -1;
}
