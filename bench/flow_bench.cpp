// The module's flow operations in the stand-in host against a bare OpenCV loop over the same
// 640 × 480 × 17 stack; prints the ratio of their fastest repetitions for each method
// (run with --benchmark_repetitions=N; without repetitions the single times are compared).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>
#include <string>
#include <vector>

#include "flow/flow_driver.h"
#include "host/host_operations.h"
#include "host/host_waves.h"
#include "host/module_loader.h"
#include "host/stand_in_host.h"
#include "numconv/numeric_types.h"

namespace {

constexpr int WIDTH = 640, HEIGHT = 480, FRAMES = 17;

const std::vector<cv::Mat>& Frames()
{
    static std::vector<cv::Mat> frames = [] {
        cv::RNG rng(11);
        cv::Mat noise(HEIGHT + 64, WIDTH + 64, CV_32F);
        rng.fill(noise, cv::RNG::UNIFORM, 0, 255);
        cv::GaussianBlur(noise, noise, cv::Size(0, 0), 2.5);
        cv::normalize(noise, noise, 0, 255, cv::NORM_MINMAX);
        std::vector<cv::Mat> list;
        for (int k = 0; k < FRAMES; ++k) {
            cv::Mat m = (cv::Mat_<double>(2, 3) << 1, 0, 0.7 * k - 32, 0, 1, -0.3 * k - 32);
            cv::Mat shifted, frame;
            cv::warpAffine(noise, shifted, m, cv::Size(WIDTH, HEIGHT));
            shifted.convertTo(frame, CV_8U);
            list.push_back(frame);
        }
        return list;
    }();
    return frames;
}

// Loads the module once and makes the stack wave "stack" with a physical scaling.
bool PrepareHost()
{
    static bool ready = [] {
        HostReset();
        int32_t zekMainReturn = 0;
        int64_t zekResult = 0;
        std::string error;
        if (HostLoadModule(DREVLIN_ZEK_PATH, &zekMainReturn, &zekResult, &error) != 0 || zekResult != 0) {
            std::fprintf(stderr, "cannot load module: %s\n", error.c_str());
            return false;
        }
        const int64_t sizes[] = {WIDTH, HEIGHT, FRAMES};
        WaveHandle stack = nullptr;
        if (HostMakeWave(&stack, "stack", TYPE_INT8 | TYPE_UNSIGNED, sizes, 3, true) != 0) return false;
        auto* data = static_cast<uint8_t*>(HostWaveData(stack));
        for (int k = 0; k < FRAMES; ++k) std::memcpy(data + size_t(k) * WIDTH * HEIGHT, Frames()[k].data, WIDTH * HEIGHT);
        HostSetWaveScaling(stack, 0, 0.5, 0);
        HostSetWaveScaling(stack, 1, 0.5, 0);
        return true;
    }();
    return ready;
}

void ModuleRun(benchmark::State& state, const char* command)
{
    if (!PrepareHost()) return state.SkipWithError("module not loaded");
    for (auto _ : state) {
        std::string error;
        if (HostRunCommand(command, &error) != 0) return state.SkipWithError(error.c_str());
        HostClearCallLog();
    }
}

void BareFarneback(benchmark::State& state)
{
    const auto& frames = Frames();
    cv::Mat flow(HEIGHT, WIDTH, CV_32FC2);
    for (auto _ : state)
        for (int k = 0; k + 1 < FRAMES; ++k)
            cv::calcOpticalFlowFarneback(frames[k], frames[k + 1], flow, 0.5, 3, 15, 3, 5, 1.2, 0);
}

void BareDIS(benchmark::State& state, int preset)
{
    const auto& frames = Frames();
    for (auto _ : state) {
        cv::Ptr<cv::DISOpticalFlow> dis = cv::DISOpticalFlow::create(preset);
        for (int k = 0; k + 1 < FRAMES; ++k) {
            cv::Mat flow;  // each pair on its own, as the module computes it
            dis->calc(frames[k], frames[k + 1], flow);
        }
        dis->collectGarbage();
    }
}

// The module's own per-pair work besides OpenCV: one pass from the flow field into the outputs.
void StoreOnly(benchmark::State& state)
{
    cv::Mat flow(HEIGHT, WIDTH, CV_32FC2);
    cv::randu(flow, -3, 3);
    std::vector<float> x(size_t(WIDTH) * HEIGHT * (FRAMES - 1)), y(x.size());
    for (auto _ : state)
        for (int k = 0; k + 1 < FRAMES; ++k)
            StoreFlowComponents(flow.ptr<float>(), int64_t(WIDTH) * HEIGHT, 0.5, 0.5, false,
                                x.data() + size_t(k) * WIDTH * HEIGHT, y.data() + size_t(k) * WIDTH * HEIGHT);
    benchmark::DoNotOptimize(x.data());
    benchmark::DoNotOptimize(y.data());
}

struct Pair {
    const char* name;
    const char* module;
    const char* bare;
};

const Pair PAIRS[] = {
    {"Farneback", "Module/Farneback", "Bare/Farneback"},
    {"DIS ultrafast", "Module/DIS0", "Bare/DIS0"},
    {"DIS fast", "Module/DIS1", "Bare/DIS1"},
    {"DIS medium", "Module/DIS2", "Bare/DIS2"},
};

// The fastest repetition: the least disturbed by other work on the machine.
double Fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

// Keeps each run's time per iteration so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate ? run.aggregate_name == "min" : true)
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::RegisterBenchmark("Module/Farneback", ModuleRun, "DrevlinFarneback stack")
        ->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
    benchmark::RegisterBenchmark("Bare/Farneback", BareFarneback)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
    for (int preset = 0; preset < 3; ++preset) {
        static const char* commands[] = {"DrevlinDIS /PRST=0 stack", "DrevlinDIS /PRST=1 stack", "DrevlinDIS /PRST=2 stack"};
        benchmark::RegisterBenchmark(("Module/DIS" + std::to_string(preset)).c_str(), ModuleRun, commands[preset])
            ->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
        benchmark::RegisterBenchmark(("Bare/DIS" + std::to_string(preset)).c_str(), BareDIS, preset)
            ->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
    }
    benchmark::RegisterBenchmark("Store/AllPairs", StoreOnly)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-14s %12s %12s %8s\n", "method", "module ms", "bare ms", "ratio");
    for (const Pair& p : PAIRS) {
        auto m = reporter.times.find(p.module), b = reporter.times.find(p.bare);
        if (m == reporter.times.end() || b == reporter.times.end()) continue;
        std::printf("%-14s %12.2f %12.2f %8.3f\n", p.name, m->second, b->second, m->second / b->second);
    }
    benchmark::Shutdown();
    return 0;
}
