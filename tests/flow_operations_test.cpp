// The two operations end to end: the real module in the stand-in host, run from command lines.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "flow/flow_errors.h"
#include "flow/param_blocks.h"
#include "numconv/numeric_types.h"
#include "tests/flow_fixture.h"

namespace {

class FlowOperations : public ModuleTest {
protected:
    void SetUp() override { Load(); }

    // Makes the stack wave "stack" and remembers its frames.
    void MakeStack(const StackShape& s)
    {
        shape = s;
        frames = MakeFrames(shape);
        stack = MakeStackWave("stack", frames, shape);
        ASSERT_NE(stack, nullptr);
    }

    // Expects the named output to equal the reference bit for bit.
    void ExpectBitIdentical(const char* name, const std::vector<float>& reference)
    {
        WaveHandle wave = HostFindWave(name);
        ASSERT_NE(wave, nullptr) << name;
        EXPECT_EQ(FirstBitDifference(WaveFloats(wave), reference), -1) << name;
    }

    // Mean of a float output over the central region of one layer.
    double CentralMean(const char* name, int layer)
    {
        WaveHandle wave = HostFindWave(name);
        auto* data = static_cast<const float*>(HostWaveData(wave)) + size_t(layer) * shape.size0 * shape.size1;
        double sum = 0;
        int n = 0;
        for (int r = shape.size1 / 4; r < 3 * shape.size1 / 4; ++r)
            for (int c = shape.size0 / 4; c < 3 * shape.size0 / 4; ++c, ++n) sum += data[r * shape.size0 + c];
        return sum / n;
    }

    StackShape shape;
    std::vector<cv::Mat> frames;
    WaveHandle stack = nullptr;
};

TEST_F(FlowOperations, FarnebackMatchesOpenCVBitForBit)
{
    StackShape s;
    s.frames = 4;
    s.shift1 = 0.5;
    MakeStack(s);
    struct Case {
        const char* keywords;
        FarnebackArgs args;
        bool pixels;
    };
    const Case cases[] = {
        {"", {}, false},
        {"/PS=0.6 /L=2.7 /W=9 /N=4 /POLY={7, 1.5} /G", {0.6, 2, 9, 4, 7, 1.5, 256}, false},
        {"/G", {0.5, 3, 15, 3, 5, 1.2, 256}, false},
        {"/W=21.9 /N=-0 /PXL", {0.5, 3, 21, 0, 5, 1.2, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keywords);
        ASSERT_EQ(Run(std::string("DrevlinFarneback ") + c.keywords + " stack"), 0) << lastError;
        std::vector<float> x, y;
        ReferenceFarneback(frames, c.args, shape.step0, shape.step1, c.pixels, &x, &y);
        ExpectBitIdentical("M_FarnebackDrevlin_X", x);
        ExpectBitIdentical("M_FarnebackDrevlin_Y", y);
    }
}

TEST_F(FlowOperations, DISMatchesOpenCVBitForBit)
{
    StackShape s;
    s.frames = 3;
    s.shift0 = -0.75;
    s.shift1 = 1.25;
    MakeStack(s);
    struct Case {
        const char* keywords;
        int preset;
        bool pixels;
    };
    const Case cases[] = {{"/PRST=0", 0, false}, {"/PRST=1", 1, false}, {"/PRST=2", 2, false},
                          {"", 1, false},        {"/PRST=2.999 /PXL", 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keywords);
        ASSERT_EQ(Run(std::string("DrevlinDIS ") + c.keywords + " stack"), 0) << lastError;
        std::vector<float> x, y;
        ReferenceDIS(frames, c.preset, shape.step0, shape.step1, c.pixels, &x, &y);
        ExpectBitIdentical("M_DISDrevlin_X", x);
        ExpectBitIdentical("M_DISDrevlin_Y", y);
    }
}

TEST_F(FlowOperations, OddFrameSizesAndUnitStepsMatchOpenCVBitForBit)
{
    // Layers that start off a 16-byte boundary and steps of 1 (copied as they are, −0 included).
    StackShape s;
    s.size0 = 45;
    s.size1 = 31;
    s.frames = 4;
    s.step0 = 1;
    s.step1 = -1.5;
    MakeStack(s);
    ASSERT_EQ(Run("DrevlinFarneback /W=7 stack"), 0) << lastError;
    std::vector<float> x, y;
    FarnebackArgs args;
    args.winsize = 7;
    ReferenceFarneback(frames, args, 1, -1.5, false, &x, &y);
    ExpectBitIdentical("M_FarnebackDrevlin_X", x);
    ExpectBitIdentical("M_FarnebackDrevlin_Y", y);
    ASSERT_EQ(Run("DrevlinDIS /PRST=0 stack"), 0) << lastError;
    x.clear();
    y.clear();
    ReferenceDIS(frames, 0, 1, -1.5, false, &x, &y);
    ExpectBitIdentical("M_DISDrevlin_X", x);
    ExpectBitIdentical("M_DISDrevlin_Y", y);
}

TEST_F(FlowOperations, OutputsTakeTheInputsGeometryScalingAndUnits)
{
    StackShape s;
    s.frames = 4;
    MakeStack(s);
    for (bool pixels : {false, true}) {
        ASSERT_EQ(Run(pixels ? "DrevlinDIS /PXL stack" : "DrevlinDIS stack"), 0) << lastError;
        for (const char* name : {"M_DISDrevlin_X", "M_DISDrevlin_Y"}) {
            SCOPED_TRACE(std::string(name) + (pixels ? " /PXL" : ""));
            WaveHandle w = HostFindWave(name);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(HostWaveType(w), TYPE_FLOAT32);
            int64_t sizes[4];
            ASSERT_EQ(HostWaveDimensions(w, sizes), 3);
            EXPECT_EQ(sizes[0], 64);
            EXPECT_EQ(sizes[1], 48);
            EXPECT_EQ(sizes[2], 3);
            double step, offset;
            HostGetWaveScaling(w, 0, &step, &offset);
            EXPECT_EQ(step, 0.5);
            EXPECT_EQ(offset, 10);
            HostGetWaveScaling(w, 1, &step, &offset);
            EXPECT_EQ(step, 2.0);
            EXPECT_EQ(offset, -3);
            HostGetWaveScaling(w, 2, &step, &offset);  // layers keep a new wave's scaling
            EXPECT_EQ(step, 1.0);
            EXPECT_EQ(offset, 0.0);
            EXPECT_EQ(HostGetWaveUnits(w, 0), "µm");
            EXPECT_EQ(HostGetWaveUnits(w, 1), "mm");
            EXPECT_EQ(HostGetWaveUnits(w, 2), "");
        }
        // Data units follow the dimension each component measures, unless in pixels.
        EXPECT_EQ(HostGetWaveUnits(HostFindWave("M_DISDrevlin_X"), -1), pixels ? "" : "µm");
        EXPECT_EQ(HostGetWaveUnits(HostFindWave("M_DISDrevlin_Y"), -1), pixels ? "" : "mm");
        HostKillWave(HostFindWave("M_DISDrevlin_X"));
        HostKillWave(HostFindWave("M_DISDrevlin_Y"));
    }
}

TEST_F(FlowOperations, MotionShowsInTheRightComponentWithTheRightSign)
{
    struct Case {
        double shift0, shift1, step0;
        const char* keywords;
        double expectX, expectY;
    };
    const Case cases[] = {
        {1, 0, 0.5, "", 0.5, 0},       // along dimension 0: X ≈ +1 × step0
        {0, 1, 0.5, "", 0, 2.0},       // along dimension 1: Y ≈ +1 × step1
        {1, 0, 0.5, "/PXL", 1, 0},     // pixels whatever the scaling
        {1, 0, -0.5, "", -0.5, 0},     // a negative step flips the sign
        {0, 0, 0.5, "", 0, 0},         // identical frames
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.shift0 << "," << c.shift1 << " step " << c.step0 << " " << c.keywords);
        StackShape s;
        s.size0 = 96;
        s.size1 = 64;
        s.frames = 2;
        s.shift0 = c.shift0;
        s.shift1 = c.shift1;
        s.step0 = c.step0;
        MakeStack(s);
        ASSERT_EQ(Run(std::string("DrevlinFarneback ") + c.keywords + " stack"), 0) << lastError;
        EXPECT_NEAR(CentralMean("M_FarnebackDrevlin_X", 0), c.expectX, 0.1);
        EXPECT_NEAR(CentralMean("M_FarnebackDrevlin_Y", 0), c.expectY, 0.2);
    }
}

TEST_F(FlowOperations, TwoFramesGiveOneLayer)
{
    StackShape s;
    s.frames = 2;
    MakeStack(s);
    ASSERT_EQ(Run("DrevlinFarneback stack"), 0) << lastError;
    int64_t sizes[4];
    ASSERT_EQ(HostWaveDimensions(HostFindWave("M_FarnebackDrevlin_X"), sizes), 3);
    EXPECT_EQ(sizes[2], 1);
}

TEST_F(FlowOperations, BadInputsAreRefusedBeforeAnyOutputExists)
{
    struct Case {
        int32_t type;
        std::vector<int64_t> sizes;
        int32_t code;
    };
    const Case cases[] = {
        {TYPE_INT8 | TYPE_UNSIGNED, {16, 16}, 592},
        {TYPE_INT8 | TYPE_UNSIGNED, {16, 16, 2, 2}, 592},
        {TYPE_INT8 | TYPE_UNSIGNED | TYPE_COMPLEX, {16, 16, 3}, 17},
        {TYPE_FLOAT32, {16, 16, 3}, 17},
        {TYPE_FLOAT64, {16, 16, 3}, 17},
        {TYPE_INT8, {16, 16, 3}, 17},
        {TYPE_INT16 | TYPE_UNSIGNED, {16, 16, 3}, 17},
        {TYPE_INT8 | TYPE_UNSIGNED, {16, 16, 1}, 6313},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " dims " << c.sizes.size());
        WaveHandle w;
        ASSERT_EQ(HostMakeWave(&w, "bad", c.type, c.sizes.data(), int32_t(c.sizes.size()), true), 0);
        for (const char* op : {"DrevlinFarneback bad", "DrevlinDIS bad"}) EXPECT_EQ(Run(op), c.code) << op;
        EXPECT_EQ(HostWaveCount(), 1);  // no output was made
    }
}

TEST_F(FlowOperations, ParameterBlockRules)
{
    StackShape s;
    s.frames = 2;
    MakeStack(s);
    // No wave given: nothing is computed and success is returned.
    EXPECT_EQ(Run("DrevlinFarneback /W=9"), 0);
    EXPECT_EQ(Run("DrevlinDIS"), 0);
    EXPECT_EQ(HostWaveCount(), 1);
    // The DIS preset range is tested before anything about the wave.
    struct PresetCase {
        const char* keywords;
        int32_t code;
    };
    for (const PresetCase& c : {PresetCase{"/PRST=3", 823}, PresetCase{"/PRST=-0.1", 823}, PresetCase{"/PRST=NaN", 823},
                                PresetCase{"/PRST=5", 823}, PresetCase{"/PRST=0", 0}}) {
        EXPECT_EQ(Run(std::string("DrevlinDIS ") + c.keywords + " stack"), c.code) << c.keywords;
    }
    // A wave parameter that refers to no wave: 330, but a bad preset wins.
    std::vector<uint8_t> farneback(sizeof(FarnebackParamBlock), 0);
    reinterpret_cast<FarnebackParamBlock*>(farneback.data())->waveHGiven = 1;
    std::string error;
    EXPECT_EQ(HostExecuteBlock("DrevlinFarneback", &farneback, &error), 330);
    std::vector<uint8_t> dis(sizeof(DISParamBlock), 0);
    auto* block = reinterpret_cast<DISParamBlock*>(dis.data());
    block->waveHGiven = 1;
    EXPECT_EQ(HostExecuteBlock("DrevlinDIS", &dis, &error), 330);
    block->PRSTGiven = 1;
    block->preset = 5;
    EXPECT_EQ(HostExecuteBlock("DrevlinDIS", &dis, &error), 823);
}

TEST_F(FlowOperations, AnExistingOutputIsReplaced)
{
    StackShape s;
    s.frames = 3;
    MakeStack(s);
    WaveHandle old;
    const int64_t sizes[] = {5, 7};
    ASSERT_EQ(HostMakeWave(&old, "M_FarnebackDrevlin_X", TYPE_FLOAT64, sizes, 2, false), 0);
    ASSERT_EQ(Run("DrevlinFarneback stack"), 0) << lastError;
    WaveHandle now = HostFindWave("M_FarnebackDrevlin_X");
    EXPECT_EQ(HostWaveType(now), TYPE_FLOAT32);
    int64_t dims[4];
    EXPECT_EQ(HostWaveDimensions(now, dims), 3);
    EXPECT_EQ(dims[2], 2);
}

TEST_F(FlowOperations, AnInputThatIsAlsoAnOutputIsRefusedAndKept)
{
    StackShape s;
    s.frames = 3;
    frames = MakeFrames(s);
    WaveHandle input = MakeStackWave("M_DISDrevlin_Y", frames, s);
    std::vector<uint8_t> before(static_cast<uint8_t*>(HostWaveData(input)),
                                static_cast<uint8_t*>(HostWaveData(input)) + 64 * 48 * 3);
    EXPECT_EQ(Run("DrevlinDIS M_DISDrevlin_Y"), FLOW_ERR_INPUT_IS_OUTPUT);
    EXPECT_EQ(HostFindWave("M_DISDrevlin_X"), nullptr);  // refused before any output was made
    EXPECT_EQ(HostWaveType(input), TYPE_INT8 | TYPE_UNSIGNED);
    EXPECT_EQ(std::memcmp(HostWaveData(input), before.data(), before.size()), 0);
    EXPECT_FALSE(HostErrorMessage(FLOW_ERR_INPUT_IS_OUTPUT).empty());
    // Under the Farnebäck names the same wave is an ordinary input.
    EXPECT_EQ(Run("DrevlinFarneback M_DISDrevlin_Y"), 0);
}

// The sequence of service messages an invocation sent.
std::vector<int32_t> Messages()
{
    std::vector<int32_t> codes;
    for (const HostCall& call : HostCallLog())
        if (call.message >= 0) codes.push_back(call.message);
    return codes;
}

TEST_F(FlowOperations, NoHostCallHappensPerPairAndMarkerOneHeadersAreReadDirectly)
{
    std::vector<int32_t> sequences[2];
    const int frameCounts[] = {2, 6};
    for (int i = 0; i < 2; ++i) {
        StackShape s;
        s.frames = frameCounts[i];
        MakeStack(s);
        HostClearCallLog();
        ASSERT_EQ(Run("DrevlinDIS /PRST=0 stack"), 0);
        sequences[i] = Messages();
    }
    EXPECT_EQ(sequences[0], sequences[1]);  // the same calls for 1 pair and for 5
    for (int32_t header : {34, 35, 37, 78, 86}) {
        EXPECT_EQ(std::count(sequences[1].begin(), sequences[1].end(), header), 0) << header;
    }
}

TEST_F(FlowOperations, OtherHeaderLayoutsAreAskedOfTheHost)
{
    HostConfig config;
    config.waveLayoutMarker = 2;
    Load(config);
    StackShape s;
    s.frames = 3;
    MakeStack(s);
    HostClearCallLog();
    ASSERT_EQ(Run("DrevlinDIS stack"), 0) << lastError;
    std::vector<int32_t> codes = Messages();
    for (int32_t header : {34, 78, 86}) EXPECT_GT(std::count(codes.begin(), codes.end(), header), 0) << header;
    std::vector<float> x, y;
    ReferenceDIS(frames, 1, shape.step0, shape.step1, false, &x, &y);
    ExpectBitIdentical("M_DISDrevlin_X", x);
    ExpectBitIdentical("M_DISDrevlin_Y", y);
}

}  // namespace
