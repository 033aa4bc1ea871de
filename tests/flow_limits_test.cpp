// Tests of the flow-settings limits: tables of settings and frame sizes with the code each
// must give, OpenCV run on the accepted boundaries, and the error texts behind the codes.
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/video/tracking.hpp>

#include "bridge/error_codes.h"
#include "flow/flow_errors.h"
#include "flow/flow_limits.h"
#include "flow/flow_settings.h"
#include "host/module_resources.h"

namespace {

constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();
constexpr double INFINITE = std::numeric_limits<double>::infinity();

struct FarnebackValues {
    double pyrScale;
    int32_t levels;
    int32_t winsize;
    int32_t iterations;
    int32_t polyN;
    double polySigma;
    int32_t flags;
};

// A settings record with its entries, as the execute functions build it.
struct SettingsRecord {
    FlowSetting entries[FARNEBACK_SETTING_COUNT] = {};
    FlowSettings settings = {};
};

FlowSetting IntSetting(int32_t value)
{
    FlowSetting s{};
    s.kind = SETTING_INT;
    s.value.intValue = value;
    return s;
}

FlowSetting RealSetting(double value)
{
    FlowSetting s{};
    s.kind = SETTING_REAL;
    s.value.realValue = value;
    return s;
}

void FillFarneback(SettingsRecord* r, const FarnebackValues& v)
{
    r->entries[FARNEBACK_PYR_SCALE] = RealSetting(v.pyrScale);
    r->entries[FARNEBACK_LEVELS] = IntSetting(v.levels);
    r->entries[FARNEBACK_WINSIZE] = IntSetting(v.winsize);
    r->entries[FARNEBACK_ITERATIONS] = IntSetting(v.iterations);
    r->entries[FARNEBACK_POLY_N] = IntSetting(v.polyN);
    r->entries[FARNEBACK_POLY_SIGMA] = RealSetting(v.polySigma);
    r->entries[FARNEBACK_FLAGS] = IntSetting(v.flags);
    r->settings = FlowSettings{FARNEBACK_SETTING_COUNT, r->entries, FLOW_FARNEBACK};
}

void FillDIS(SettingsRecord* r, int32_t preset)
{
    r->entries[DIS_PRESET] = IntSetting(preset);
    r->settings = FlowSettings{DIS_SETTING_COUNT, r->entries, FLOW_DIS};
}

int32_t ValidateFarneback(const FarnebackValues& v, int64_t size0, int64_t size1)
{
    SettingsRecord r;
    FillFarneback(&r, v);
    return ValidateFlowSettings(&r.settings, size0, size1);
}

int32_t ValidateDIS(int32_t preset, int64_t size0, int64_t size1)
{
    SettingsRecord r;
    FillDIS(&r, preset);
    return ValidateFlowSettings(&r.settings, size0, size1);
}

// Two noise frames of size0 columns × size1 rows, as the driver wraps them.
void MakeFrames(int64_t size0, int64_t size1, cv::Mat* previous, cv::Mat* next)
{
    cv::RNG rng(static_cast<uint64_t>(size0 * 7919 + size1));
    previous->create(static_cast<int>(size1), static_cast<int>(size0), CV_8UC1);
    next->create(static_cast<int>(size1), static_cast<int>(size0), CV_8UC1);
    rng.fill(*previous, cv::RNG::UNIFORM, 0, 256);
    rng.fill(*next, cv::RNG::UNIFORM, 0, 256);
}

cv::Mat RunFarneback(const FarnebackValues& v, int64_t size0, int64_t size1)
{
    cv::Mat previous, next;
    MakeFrames(size0, size1, &previous, &next);
    cv::Mat flow(previous.rows, previous.cols, CV_32FC2);
    cv::calcOpticalFlowFarneback(previous, next, flow, v.pyrScale, v.levels, v.winsize, v.iterations, v.polyN,
                                 v.polySigma, v.flags);
    return flow;
}

// Runs DIS with a fresh object over two pairs, as the driver reuses one object for a stack.
void RunDIS(int32_t preset, int64_t size0, int64_t size1)
{
    cv::Mat previous, next, flow;
    MakeFrames(size0, size1, &previous, &next);
    cv::Ptr<cv::DISOpticalFlow> dis = cv::DISOpticalFlow::create(preset);
    dis->calc(previous, next, flow);
    dis->calc(next, previous, flow);
    dis->collectGarbage();
}

// ---- Farnebäck ----

constexpr FarnebackValues DEFAULTS{0.5, 3, 15, 3, 5, 1.2, 0};

FarnebackValues With(FarnebackValues v, const std::function<void(FarnebackValues&)>& change)
{
    change(v);
    return v;
}

struct FarnebackCase {
    const char* what;
    FarnebackValues values;
    int64_t size0;
    int64_t size1;
    int32_t expected;
    bool runOpenCV;  // accepted and cheap enough to hand to OpenCV here
};

const FarnebackCase FARNEBACK_CASES[] = {
    {"defaults", DEFAULTS, 64, 48, 0, true},
    {"1x1 frame", DEFAULTS, 1, 1, 0, true},
    {"1x100 frame", DEFAULTS, 1, 100, 0, true},
    {"100x1 frame", DEFAULTS, 100, 1, 0, true},
    // pyr_scale: OpenCV asserts < 1; zero and below only switch the pyramid off.
    {"pyr_scale just below 1", With(DEFAULTS, [](auto& v) { v.pyrScale = 0.999999; }), 64, 48, 0, true},
    {"pyr_scale 0", With(DEFAULTS, [](auto& v) { v.pyrScale = 0; }), 64, 48, 0, true},
    {"pyr_scale -inf", With(DEFAULTS, [](auto& v) { v.pyrScale = -INFINITE; }), 64, 48, 0, true},
    {"pyr_scale 1", With(DEFAULTS, [](auto& v) { v.pyrScale = 1; }), 64, 48, FLOW_ERR_PYR_SCALE, false},
    {"pyr_scale 2", With(DEFAULTS, [](auto& v) { v.pyrScale = 2; }), 64, 48, FLOW_ERR_PYR_SCALE, false},
    {"pyr_scale inf", With(DEFAULTS, [](auto& v) { v.pyrScale = INFINITE; }), 64, 48, FLOW_ERR_PYR_SCALE, false},
    {"pyr_scale NaN", With(DEFAULTS, [](auto& v) { v.pyrScale = NOT_A_NUMBER; }), 64, 48, FLOW_ERR_PYR_SCALE, false},
    // levels: any count is fine while the pyramid stops early on its own.
    {"levels INT32_MIN", With(DEFAULTS, [](auto& v) { v.levels = INT32_MIN; }), 64, 48, 0, true},
    {"levels INT32_MAX at 0.5", With(DEFAULTS, [](auto& v) { v.levels = INT32_MAX; }), 640, 480, 0, true},
    {"692 levels of 0.999 on 64x64",
     With(DEFAULTS, [](auto& v) { v.pyrScale = 0.999; v.levels = INT32_MAX; }), 64, 64, 0, false},
    {"exactly 1000 levels", With(DEFAULTS, [](auto& v) { v.pyrScale = 0.999; v.levels = 1000; }), 100, 100, 0, false},
    {"1001 levels", With(DEFAULTS, [](auto& v) { v.pyrScale = 0.999; v.levels = 1001; }), 100, 100,
     FLOW_ERR_LEVELS, false},
    {"pyr_scale near 1, levels INT32_MAX",
     With(DEFAULTS, [](auto& v) { v.pyrScale = 1 - 1e-12; v.levels = INT32_MAX; }), 64, 48, FLOW_ERR_LEVELS, false},
    // winsize: negatives overrun OpenCV's buffers, 0 divides by zero, huge ones never end.
    {"winsize 1", With(DEFAULTS, [](auto& v) { v.winsize = 1; }), 64, 48, 0, true},
    {"winsize 10000 box", With(DEFAULTS, [](auto& v) { v.winsize = 10000; }), 16, 12, 0, true},
    {"winsize 10000 Gaussian", With(DEFAULTS, [](auto& v) { v.winsize = 10000; v.flags = 256; }), 16, 12, 0, true},
    {"winsize 0", With(DEFAULTS, [](auto& v) { v.winsize = 0; }), 64, 48, FLOW_ERR_WINSIZE, false},
    {"winsize -1", With(DEFAULTS, [](auto& v) { v.winsize = -1; }), 64, 48, FLOW_ERR_WINSIZE, false},
    {"winsize -2", With(DEFAULTS, [](auto& v) { v.winsize = -2; }), 64, 48, FLOW_ERR_WINSIZE, false},
    {"winsize INT32_MIN", With(DEFAULTS, [](auto& v) { v.winsize = INT32_MIN; }), 64, 48, FLOW_ERR_WINSIZE, false},
    {"winsize 10001", With(DEFAULTS, [](auto& v) { v.winsize = 10001; }), 64, 48, FLOW_ERR_WINSIZE, false},
    {"winsize 1e9", With(DEFAULTS, [](auto& v) { v.winsize = 1000000000; }), 64, 48, FLOW_ERR_WINSIZE, false},
    // iterations: zero and below leave the flow at zero; more than 1000 only costs time.
    {"iterations INT32_MIN", With(DEFAULTS, [](auto& v) { v.iterations = INT32_MIN; }), 64, 48, 0, true},
    {"iterations 0", With(DEFAULTS, [](auto& v) { v.iterations = 0; }), 64, 48, 0, true},
    {"iterations 1000", With(DEFAULTS, [](auto& v) { v.iterations = 1000; }), 16, 12, 0, true},
    {"iterations 1001", With(DEFAULTS, [](auto& v) { v.iterations = 1001; }), 64, 48, FLOW_ERR_ITERATIONS, false},
    {"iterations INT32_MAX", With(DEFAULTS, [](auto& v) { v.iterations = INT32_MAX; }), 64, 48,
     FLOW_ERR_ITERATIONS, false},
    // poly_n: negatives give OpenCV negative buffer sizes; wider than the frame is fine.
    {"poly_n 0", With(DEFAULTS, [](auto& v) { v.polyN = 0; }), 64, 48, 0, true},
    {"poly_n 1000 on 3x2", With(DEFAULTS, [](auto& v) { v.polyN = 1000; }), 3, 2, 0, true},
    {"poly_n 1000", With(DEFAULTS, [](auto& v) { v.polyN = 1000; }), 16, 12, 0, true},
    {"poly_n -1", With(DEFAULTS, [](auto& v) { v.polyN = -1; }), 64, 48, FLOW_ERR_POLY_N, false},
    {"poly_n INT32_MIN", With(DEFAULTS, [](auto& v) { v.polyN = INT32_MIN; }), 64, 48, FLOW_ERR_POLY_N, false},
    {"poly_n 1001", With(DEFAULTS, [](auto& v) { v.polyN = 1001; }), 64, 48, FLOW_ERR_POLY_N, false},
    // poly_sigma: OpenCV replaces small ones and carries NaN through; nothing to refuse.
    {"poly_sigma NaN", With(DEFAULTS, [](auto& v) { v.polySigma = NOT_A_NUMBER; }), 64, 48, 0, true},
    {"poly_sigma -inf", With(DEFAULTS, [](auto& v) { v.polySigma = -INFINITE; }), 64, 48, 0, true},
    {"poly_sigma inf", With(DEFAULTS, [](auto& v) { v.polySigma = INFINITE; }), 64, 48, 0, true},
    // flags: only the Gaussian window; bit 4 would read the flow matrix's unset content.
    {"Gaussian window", With(DEFAULTS, [](auto& v) { v.flags = FARNEBACK_GAUSSIAN_FLAG; }), 64, 48, 0, true},
    {"initial-flow flag", With(DEFAULTS, [](auto& v) { v.flags = 4; }), 64, 48, FLOW_ERR_SETTINGS, false},
    {"flags -1", With(DEFAULTS, [](auto& v) { v.flags = -1; }), 64, 48, FLOW_ERR_SETTINGS, false},
    // Frame sizes.
    {"widest frame", DEFAULTS, FLOW_MAX_FRAME_SIDE, 1, 0, false},
    {"largest pixel count", DEFAULTS, FLOW_MAX_FRAME_SIDE, FLOW_MAX_FRAME_PIXELS / FLOW_MAX_FRAME_SIDE, 0, false},
    {"frame too wide", DEFAULTS, FLOW_MAX_FRAME_SIDE + 1, 1, FLOW_ERR_FRAME_SIZE, false},
    {"frame too high", DEFAULTS, 1, FLOW_MAX_FRAME_SIDE + 1, FLOW_ERR_FRAME_SIZE, false},
    {"too many pixels", DEFAULTS, FLOW_MAX_FRAME_SIDE, FLOW_MAX_FRAME_PIXELS / FLOW_MAX_FRAME_SIDE + 1,
     FLOW_ERR_FRAME_SIZE, false},
    {"no columns", DEFAULTS, 0, 5, FLOW_ERR_FRAME_SIZE, false},
    {"negative rows", DEFAULTS, 5, -1, FLOW_ERR_FRAME_SIZE, false},
    {"INT64_MAX side", DEFAULTS, INT64_MAX, INT64_MAX, FLOW_ERR_FRAME_SIZE, false},
};

TEST(FlowLimits, FarnebackTable)
{
    for (const FarnebackCase& c : FARNEBACK_CASES)
        EXPECT_EQ(ValidateFarneback(c.values, c.size0, c.size1), c.expected) << c.what;
}

TEST(FlowLimits, OpenCVRunsTheAcceptedFarnebackBoundaries)
{
    for (const FarnebackCase& c : FARNEBACK_CASES) {
        if (!c.runOpenCV) continue;
        ASSERT_EQ(c.expected, 0) << c.what;
        EXPECT_NO_THROW(RunFarneback(c.values, c.size0, c.size1)) << c.what;
    }
}

TEST(FlowLimits, OpenCVRejectsWhatTheLimitsCallAnError)
{
    // The rules that merely anticipate OpenCV's own refusal must match it.
    for (double pyrScale : {1.0, 2.0, NOT_A_NUMBER}) {
        const FarnebackValues v = With(DEFAULTS, [&](auto& x) { x.pyrScale = pyrScale; });
        EXPECT_EQ(ValidateFarneback(v, 32, 32), FLOW_ERR_PYR_SCALE);
        EXPECT_THROW(RunFarneback(v, 32, 32), cv::Exception) << pyrScale;
    }
}

// The level count is OpenCV's: its result stops changing exactly where the count stops growing.
TEST(FlowLimits, LevelCountMatchesOpenCV)
{
    struct LevelCase {
        int64_t size0, size1;
        double pyrScale;
        int32_t expected;  // levels OpenCV builds when asked for many
    } cases[] = {
        {64, 64, 0.5, 1},   // 64 × 0.5 = 32 is still a level
        {63, 64, 0.5, 0},   // 31.5 is not
        {64, 63, 0.5, 0},
        {200, 150, 0.5, 2},
        {48, 40, 0.8, 1},
        {100, 100, -0.5, 0},
    };
    for (const LevelCase& c : cases) {
        const int32_t count = CountFarnebackLevels(c.pyrScale, 1000, c.size0, c.size1, FLOW_MAX_PYRAMID_LEVELS);
        ASSERT_EQ(count, c.expected) << c.size0 << "x" << c.size1 << " at " << c.pyrScale;
        FarnebackValues v = With(DEFAULTS, [&](auto& x) { x.pyrScale = c.pyrScale; x.levels = count; });
        const cv::Mat asked = RunFarneback(v, c.size0, c.size1);
        v.levels = count + 1;
        EXPECT_EQ(cv::norm(asked, RunFarneback(v, c.size0, c.size1), cv::NORM_INF), 0.0)
            << "OpenCV built another level at " << c.size0 << "x" << c.size1;
        if (count == 0) continue;
        v.levels = count - 1;
        EXPECT_GT(cv::norm(asked, RunFarneback(v, c.size0, c.size1), cv::NORM_INF), 0.0)
            << "OpenCV built fewer levels at " << c.size0 << "x" << c.size1;
    }
    // The count stops one past the limit however many levels are asked for.
    EXPECT_EQ(CountFarnebackLevels(1 - 1e-12, INT32_MAX, 1000, 1000, 10), 11);
    EXPECT_EQ(CountFarnebackLevels(0.5, INT32_MIN, 1000, 1000, 10), 0);
}

// ---- DIS ----

struct DISCase {
    const char* what;
    int32_t preset;
    int64_t size0;
    int64_t size1;
    int32_t expected;
};

const DISCase DIS_CASES[] = {
    {"preset -1", -1, 64, 64, ERR_DIS_PRESET},
    {"preset 3", 3, 64, 64, ERR_DIS_PRESET},
    {"preset INT32_MAX", INT32_MAX, 64, 64, ERR_DIS_PRESET},
    {"1x1", 1, 1, 1, FLOW_ERR_DIS_FRAME_SMALL},
    {"11x11", 0, 11, 11, FLOW_ERR_DIS_FRAME_SMALL},
    {"7x100", 2, 7, 100, FLOW_ERR_DIS_FRAME_SMALL},
    {"100x7", 2, 100, 7, FLOW_ERR_DIS_FRAME_SMALL},
    {"12x8", 0, 12, 8, 0},
    {"8x12", 2, 8, 12, 0},
    {"8x100 (tall frames pick their level by width)", 1, 8, 100, 0},
    {"39x8: level 0", 0, 39, 8, 0},
    {"40x15: level 1 is 7 high", 0, 40, 15, FLOW_ERR_DIS_FRAME_SHAPE},
    {"40x16: level 1 is 8 high", 0, 40, 16, 0},
    {"40x12 medium", 2, 40, 12, FLOW_ERR_DIS_FRAME_SHAPE},
    {"100x8", 0, 100, 8, FLOW_ERR_DIS_FRAME_SHAPE},
    {"80x31", 1, 80, 31, FLOW_ERR_DIS_FRAME_SHAPE},
    {"80x32: level 2 is 8 high", 1, 80, 32, 0},
    {"100x30 fast", 1, 100, 30, FLOW_ERR_DIS_FRAME_SHAPE},
    {"100x30 medium keeps its own levels", 2, 100, 30, 0},
    {"4000x31", 0, 4000, 31, FLOW_ERR_DIS_FRAME_SHAPE},
    {"4000x32 keeps its own levels", 0, 4000, 32, 0},
    {"frame too wide", 0, FLOW_MAX_FRAME_SIDE + 1, 64, FLOW_ERR_FRAME_SIZE},
};

TEST(FlowLimits, DISTable)
{
    for (const DISCase& c : DIS_CASES) EXPECT_EQ(ValidateDIS(c.preset, c.size0, c.size1), c.expected) << c.what;
}

TEST(FlowLimits, OpenCVRunsTheAcceptedDISBoundaries)
{
    for (const DISCase& c : DIS_CASES) {
        if (c.expected != 0) continue;
        EXPECT_NO_THROW(RunDIS(c.preset, c.size0, c.size1)) << c.what;
    }
}

// On small frames the size rule is exactly OpenCV's: it throws for every size refused as
// too small and runs every size accepted.
TEST(FlowLimits, DISSmallFramesAgreeWithOpenCV)
{
    for (int32_t preset = 0; preset < 3; ++preset)
        for (int64_t size1 = 1; size1 <= 16; ++size1)
            for (int64_t size0 = 1; size0 <= 16; ++size0) {
                const int32_t code = ValidateDIS(preset, size0, size1);
                if (code == FLOW_ERR_DIS_FRAME_SHAPE) continue;  // OpenCV would read outside the frame
                if (code == FLOW_ERR_DIS_FRAME_SMALL)
                    EXPECT_THROW(RunDIS(preset, size0, size1), cv::Exception) << size0 << "x" << size1;
                else
                    EXPECT_NO_THROW(RunDIS(preset, size0, size1)) << size0 << "x" << size1;
            }
}

// ---- the record itself ----

TEST(FlowLimits, MalformedRecordsAreRefused)
{
    struct RecordCase {
        const char* what;
        std::function<void(SettingsRecord&)> spoil;
    } cases[] = {
        {"no entries", [](SettingsRecord& r) { r.settings.entries = nullptr; }},
        {"six entries", [](SettingsRecord& r) { r.settings.count = 6; }},
        {"eight entries", [](SettingsRecord& r) { r.settings.count = 8; }},
        {"pyr_scale as an integer", [](SettingsRecord& r) { r.entries[FARNEBACK_PYR_SCALE] = IntSetting(0); }},
        {"winsize as a real", [](SettingsRecord& r) { r.entries[FARNEBACK_WINSIZE] = RealSetting(15); }},
        {"unknown method", [](SettingsRecord& r) { r.settings.method = 2; }},
        {"DIS with seven entries", [](SettingsRecord& r) { r.settings.method = FLOW_DIS; }},
    };
    for (const RecordCase& c : cases) {
        SettingsRecord r;
        FillFarneback(&r, DEFAULTS);
        c.spoil(r);
        EXPECT_EQ(ValidateFlowSettings(&r.settings, 64, 48), FLOW_ERR_SETTINGS) << c.what;
    }
    EXPECT_EQ(ValidateFlowSettings(nullptr, 64, 48), FLOW_ERR_SETTINGS);
    SettingsRecord dis;
    FillDIS(&dis, 1);
    dis.entries[DIS_PRESET] = RealSetting(1);
    EXPECT_EQ(ValidateFlowSettings(&dis.settings, 64, 48), FLOW_ERR_SETTINGS) << "preset as a real";
    // The record is checked before the frame.
    EXPECT_EQ(ValidateFlowSettings(nullptr, 0, 0), FLOW_ERR_SETTINGS);
}

// ---- the texts ----

TEST(FlowLimits, EveryCodeHasItsTextInTheModule)
{
    ModuleResources resources;
    std::string error;
    ASSERT_EQ(ReadModuleResources(DREVLIN_ZEK_PATH, &resources, &error), 0) << error;
    auto text = [&](int32_t code) -> std::string {
        const size_t index = static_cast<size_t>(code - MODULE_FIRST_ERROR_CODE);
        return index < resources.errorMessages.size() ? resources.errorMessages[index] : std::string();
    };
    for (int32_t code = FLOW_ERR_OPENCV; code <= FLOW_ERR_DIS_FRAME_SHAPE; ++code) {
        const std::string t = text(code);
        EXPECT_FALSE(t.empty()) << code;
        EXPECT_LT(t.size(), 255u) << code;
        EXPECT_EQ(t.find('\r'), std::string::npos) << code;
    }
    // Each limit's text names its keyword and the number the code enforces.
    struct Named {
        int32_t code;
        const char* keyword;
        int64_t number;
    } named[] = {
        {FLOW_ERR_WINSIZE, "/W", FLOW_MAX_WINSIZE},
        {FLOW_ERR_ITERATIONS, "/N", FLOW_MAX_ITERATIONS},
        {FLOW_ERR_POLY_N, "/POLY", FLOW_MAX_POLY_N},
        {FLOW_ERR_LEVELS, "/L", FLOW_MAX_PYRAMID_LEVELS},
        {FLOW_ERR_PYR_SCALE, "/PS", 1},
        {FLOW_ERR_FRAME_SIZE, "rows", FLOW_MAX_FRAME_SIDE},
        {FLOW_ERR_FRAME_SIZE, "pixels", FLOW_MAX_FRAME_PIXELS},
        {FLOW_ERR_DIS_FRAME_SMALL, "DrevlinDIS", FLOW_DIS_PATCH_SIZE},
        {FLOW_ERR_DIS_FRAME_SMALL, "DrevlinDIS", FLOW_DIS_MIN_LONG_SIDE},
    };
    for (const Named& n : named) {
        const std::string t = text(n.code);
        EXPECT_NE(t.find(n.keyword), std::string::npos) << t;
        EXPECT_NE(t.find(std::to_string(n.number)), std::string::npos) << t;
    }
}

}  // namespace
