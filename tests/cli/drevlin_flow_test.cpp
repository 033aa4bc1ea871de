// Tests of drevlin-flow as a user runs it: the real program, in a scratch folder, on stacks made here.
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include "cli_test_support.h"

namespace {

struct RunResult {
    int status = -1;  // the exit status, or -1 if the program did not exit normally
    std::string out;
    std::string err;
};

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Frames of a smooth random texture; frame k is the texture moved k * shiftX pixels right, k * shiftY down.
std::vector<cv::Mat> MovingTexture(int width, int height, int frames, double shiftX, double shiftY)
{
    cv::RNG random(11);
    cv::Mat noise(height + 40, width + 40, CV_32F);
    random.fill(noise, cv::RNG::UNIFORM, 0, 255);
    cv::GaussianBlur(noise, noise, cv::Size(0, 0), 2.0);
    cv::normalize(noise, noise, 0, 255, cv::NORM_MINMAX);
    std::vector<cv::Mat> result;
    for (int k = 0; k < frames; ++k) {
        const cv::Mat move = (cv::Mat_<double>(2, 3) << 1, 0, k * shiftX - 20, 0, 1, k * shiftY - 20);
        cv::Mat moved;
        cv::Mat frame;
        cv::warpAffine(noise, moved, move, cv::Size(width, height), cv::INTER_LINEAR);
        moved.convertTo(frame, CV_8U);
        result.push_back(frame);
    }
    return result;
}

std::vector<std::vector<uint8_t>> FrameBytes(const std::vector<cv::Mat>& frames)
{
    std::vector<std::vector<uint8_t>> pages;
    for (const cv::Mat& frame : frames) pages.emplace_back(frame.datastart, frame.dataend);
    return pages;
}

// An 8-bit ImageJ stack calibrated at 0.5 µm per pixel, the way Fiji saves one.
void WriteCalibratedStack(const std::string& path, const std::vector<cv::Mat>& frames)
{
    TestTiffLayout layout;
    layout.description = "ImageJ=1.54f\nimages=" + std::to_string(frames.size()) +
                         "\nslices=" + std::to_string(frames.size()) + "\nunit=micron\nloop=false\n";
    layout.withResolution = true;
    layout.xResolution = 2.0f;
    layout.yResolution = 2.0f;
    layout.rowsPerStrip = 8;
    const std::vector<std::pair<uint32_t, uint32_t>> sizes(
        frames.size(), {static_cast<uint32_t>(frames[0].cols), static_cast<uint32_t>(frames[0].rows)});
    WriteTestTiff(path, FrameBytes(frames), sizes, layout);
}

// Farnebäck with OpenCV's defaults straight from OpenCV, each component times `scale` (a power of two, so exact).
void ReferenceFarneback(const std::vector<cv::Mat>& frames, float scale, std::vector<float>* x, std::vector<float>* y)
{
    cv::Mat flow(frames[0].rows, frames[0].cols, CV_32FC2);
    for (size_t k = 0; k + 1 < frames.size(); ++k) {
        cv::calcOpticalFlowFarneback(frames[k], frames[k + 1], flow, 0.5, 3, 15, 3, 5, 1.2, 0);
        for (auto it = flow.begin<cv::Vec2f>(); it != flow.end<cv::Vec2f>(); ++it) {
            x->push_back((*it)[0] * scale);
            y->push_back((*it)[1] * scale);
        }
    }
}

// What a float stack written by the program holds, as libtiff reads it.
struct FloatStack {
    uint32_t width = 0;
    uint32_t height = 0;
    int pages = 0;
    float xResolution = 0.0f;
    std::string description;
    std::vector<float> values;
};

void ReadFloatStack(const std::string& path, FloatStack* stack)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr) << path;
    stack->pages = TIFFNumberOfDirectories(tiff);
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &stack->width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &stack->height);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &stack->xResolution);
    const char* description = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description) && description != nullptr) {
        stack->description = description;
    }
    for (int page = 0; page < stack->pages; ++page) {
        ASSERT_TRUE(TIFFSetDirectory(tiff, static_cast<tdir_t>(page)));
        uint16_t bits = 0;
        uint16_t format = 0;
        TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
        ASSERT_EQ(bits, 32);
        ASSERT_EQ(format, SAMPLEFORMAT_IEEEFP);
        std::vector<float> row(stack->width);
        for (uint32_t r = 0; r < stack->height; ++r) {
            ASSERT_EQ(TIFFReadScanline(tiff, row.data(), r, 0), 1);
            stack->values.insert(stack->values.end(), row.begin(), row.end());
        }
    }
    TIFFClose(tiff);
}

// Index of the first value whose bits differ, or -1 when both are the same bit for bit.
long FirstBitDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<long>(i);
    }
    return -1;
}

class DrevlinFlowTest : public ScratchFolder {
protected:
    // Run the program in the scratch folder with these arguments, as a shell would.
    RunResult Run(const std::vector<std::string>& arguments)
    {
        std::string command = "cd " + ShellQuoted(folder) + " && " + ShellQuoted(DREVLIN_FLOW_PATH);
        for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
        command += " >" + ShellQuoted(folder + "/.stdout") + " 2>" + ShellQuoted(folder + "/.stderr");
        const int raw = std::system(command.c_str());
        RunResult result;
        result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadText(folder + "/.stdout");
        result.err = ReadText(folder + "/.stderr");
        std::remove((folder + "/.stdout").c_str());
        std::remove((folder + "/.stderr").c_str());
        return result;
    }

    // Every file below `sub`, hidden ones included; empty when the folder does not exist.
    std::vector<std::string> FilesIn(const std::string& sub) const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Path(sub), error)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(DrevlinFlowTest, CalibratedStackComesBackAsCalibratedFloatStacks)
{
    // 0.5 µm per pixel, moving one pixel to the right per frame.
    const std::vector<cv::Mat> frames = MovingTexture(64, 48, 4, 1.0, 0.0);
    WriteCalibratedStack(Path("cells.tif"), frames);
    struct Case {
        const char* command;
        float scale;            // values per pixel of motion
        const char* valueUnit;  // as the description spells it
    };
    const Case cases[] = {
        {"DrevlinFarneback stack", 0.5f, "vunit=micron\n"},
        {"DrevlinFarneback /PXL stack", 1.0f, "vunit=px\n"},
    };
    std::vector<float> pixelX;
    std::vector<float> pixelY;
    ReferenceFarneback(frames, 1.0f, &pixelX, &pixelY);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const RunResult run = Run({"-o", "out", c.command, "cells.tif"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        std::vector<float> expected[2];
        ReferenceFarneback(frames, c.scale, &expected[0], &expected[1]);
        const char* const files[2] = {"out/cells_DrevlinFarneback_X.tif", "out/cells_DrevlinFarneback_Y.tif"};
        for (int component = 0; component < 2; ++component) {
            SCOPED_TRACE(files[component]);
            FloatStack stack;
            ReadFloatStack(Path(files[component]), &stack);
            EXPECT_EQ(stack.width, 64u);
            EXPECT_EQ(stack.height, 48u);
            EXPECT_EQ(stack.pages, 3);
            // The pixel size stays 0.5 µm whatever the values' unit.
            EXPECT_FLOAT_EQ(stack.xResolution, 2.0f);
            EXPECT_NE(stack.description.find("unit=micron\n"), std::string::npos) << stack.description;
            EXPECT_NE(stack.description.find(c.valueUnit), std::string::npos) << stack.description;
            EXPECT_EQ(FirstBitDifference(stack.values, expected[component]), -1);
        }
        // The motion itself: about one pixel, 0.5 µm, to the right in the middle of the frame.
        FloatStack x;
        ReadFloatStack(Path(files[0]), &x);
        EXPECT_NEAR(x.values[static_cast<size_t>(24 * 64 + 32)], c.scale, 0.15 * c.scale);
        EXPECT_NE(run.out.find("values in " + std::string(c.scale == 0.5f ? "\xC2\xB5m" : "px")), std::string::npos)
            << run.out;
    }
}

TEST_F(DrevlinFlowTest, ChunkedRunsGiveTheSameFilesAsOneInvocation)
{
    // At least 64 × 48: OpenCV 4.6's DIS object keeps state between pairs of smaller frames.
    WriteCalibratedStack(Path("stack.tif"), MovingTexture(64, 48, 8, 0.6, -0.3));
    const RunResult whole = Run({"-o", "whole", "--npy", "--chunk", "1000", "-c", "DrevlinFarneback /W=9 stack", "-c",
                                 "DrevlinDIS s2", "stack.tif"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    // Chunks of 3 frames: 0-2, 2-4, 4-6, 6-7, each one invocation per command.
    const RunResult chunked = Run({"-o", "chunked", "--npy", "--chunk", "3", "-c", "DrevlinFarneback /W=9 stack", "-c",
                                   "DrevlinDIS s2", "stack.tif"});
    ASSERT_EQ(chunked.status, 0) << chunked.err;
    EXPECT_NE(chunked.out.find("4 invocations"), std::string::npos) << chunked.out;
    // Every pair is computed on its own, so the chunks change nothing, for either method.
    for (const char* name : {"stack_DrevlinFarneback_X.tif", "stack_DrevlinFarneback_Y.tif",
                             "stack_DrevlinFarneback_X.npy", "stack_DrevlinFarneback_Y.npy",
                             "stack_DrevlinDIS_X.tif", "stack_DrevlinDIS_Y.tif"}) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadText(Path(std::string("whole/") + name));
        ASSERT_GT(bytes.size(), 7u * 64 * 48 * 4);
        EXPECT_TRUE(bytes == ReadText(Path(std::string("chunked/") + name)));
    }
}

TEST_F(DrevlinFlowTest, SampleRunPrintsASmallEndpointErrorAndWritesEveryFile)
{
    const RunResult run = Run({"--npy", "-c", "DrevlinFarneback stack", "-c", "DrevlinDIS /PRST=2 /PXL stack"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("built-in sample: 320 x 240 pixels, 8 frames"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("settings: preset 2; values in px (/PXL)"), std::string::npos) << run.out;
    // Each command reports its endpoint error in pixels; both are well below a tenth of a pixel's motion.
    size_t at = 0;
    int reports = 0;
    while ((at = run.out.find("endpoint error", at)) != std::string::npos) {
        const size_t mean = run.out.find("mean ", at);
        ASSERT_NE(mean, std::string::npos);
        const double error = std::strtod(run.out.c_str() + mean + 5, nullptr);
        EXPECT_GT(error, 0.0);
        EXPECT_LT(error, reports == 0 ? 0.05 * 0.5 : 0.15);  // Farnebäck in µm, DIS in pixels
        ++reports;
        ++at;
    }
    EXPECT_EQ(reports, 2);
    const std::vector<std::string> expected = {"sample_DrevlinDIS_X.npy",       "sample_DrevlinDIS_X.tif",
                                               "sample_DrevlinDIS_Y.npy",       "sample_DrevlinDIS_Y.tif",
                                               "sample_DrevlinDIS_flow.png",    "sample_DrevlinFarneback_X.npy",
                                               "sample_DrevlinFarneback_X.tif", "sample_DrevlinFarneback_Y.npy",
                                               "sample_DrevlinFarneback_Y.tif", "sample_DrevlinFarneback_flow.png"};
    EXPECT_EQ(FilesIn("drevlin-out"), expected);
    const cv::Mat picture = cv::imread(Path("drevlin-out/sample_DrevlinFarneback_flow.png"));
    EXPECT_FALSE(picture.empty());
    // The .npy files hold 7 pairs of 320 x 240 floats after their header.
    EXPECT_GE(ReadText(Path("drevlin-out/sample_DrevlinDIS_X.npy")).size(), 7u * 320 * 240 * 4);
}

TEST_F(DrevlinFlowTest, FrameFoldersConvertedFramesAndPictureChoicesRun)
{
    std::filesystem::create_directory(Path("frames"));
    const std::vector<cv::Mat> frames = MovingTexture(32, 24, 3, 1.0, 0.0);
    for (size_t i = 0; i < frames.size(); ++i) {
        cv::Mat wide;
        frames[i].convertTo(wide, CV_16U, 256.0);
        ASSERT_TRUE(cv::imwrite(Path("frames/f" + std::to_string(i + 1) + ".png"), wide));
    }
    const RunResult refused = Run({"DrevlinDIS stack", "frames"});
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.err.find("--convert"), std::string::npos) << refused.err;
    const RunResult run = Run({"--convert", "shift", "--picture", "1", "--chunk", "2", "DrevlinDIS stack", "frames"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("16-bit grayscale converted to 8 bits by shift"), std::string::npos) << run.out;
    EXPECT_EQ(FilesIn("drevlin-out"), (std::vector<std::string>{"frames_DrevlinDIS_X.tif", "frames_DrevlinDIS_Y.tif",
                                                                "frames_DrevlinDIS_flow_pair1.png"}));
    const RunResult all = Run({"-o", "all", "--convert=shift", "--picture=all", "DrevlinDIS stack", "frames"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(FilesIn("all"),
              (std::vector<std::string>{"frames_DrevlinDIS_X.tif", "frames_DrevlinDIS_Y.tif",
                                        "frames_DrevlinDIS_flow_pair0.png", "frames_DrevlinDIS_flow_pair1.png"}));
}

// A stack whose last page cannot be decoded: earlier chunks are written before the failure shows.
void WriteStackWithDamagedLastPage(const std::string& path)
{
    const std::vector<cv::Mat> frames = MovingTexture(32, 24, 5, 1.0, 0.0);
    TestTiffLayout layout;
    layout.compression = COMPRESSION_ADOBE_DEFLATE;
    layout.rowsPerStrip = 24;
    const std::vector<std::pair<uint32_t, uint32_t>> sizes(frames.size(), {32u, 24u});
    WriteTestTiff(path, FrameBytes(frames), sizes, layout);
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    ASSERT_TRUE(TIFFSetDirectory(tiff, 4));
    const uint64_t offset = TIFFGetStrileOffset(tiff, 0);
    const uint64_t size = TIFFGetStrileByteCount(tiff, 0);
    TIFFClose(tiff);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    const std::string junk(static_cast<size_t>(size), '\x5a');
    file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}

TEST_F(DrevlinFlowTest, BadInputsGiveOneLineErrorsDistinctStatusesAndNoFiles)
{
    const std::vector<cv::Mat> frames = MovingTexture(16, 12, 3, 1.0, 0.0);
    const std::vector<std::pair<uint32_t, uint32_t>> sizes(3, {16u, 12u});
    struct Case {
        const char* what;
        std::function<void()> make;
        std::vector<std::string> arguments;
        int status;
        const char* says;
    };
    auto writeTiff = [&](const char* name, uint16_t bits, uint16_t samples, uint16_t format) {
        return [&, name, bits, samples, format] {
            TestTiffLayout layout;
            layout.bitsPerSample = bits;
            layout.samplesPerPixel = samples;
            layout.sampleFormat = format;
            layout.photometric = samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
            const size_t bytes = 16u * 12u * samples * bits / 8u;
            WriteTestTiff(Path(name), std::vector<std::vector<uint8_t>>(3, std::vector<uint8_t>(bytes, 0)), sizes,
                          layout);
        };
    };
    const Case cases[] = {
        {"missing file", [] {}, {"DrevlinDIS stack", "missing.tif"}, 3, "missing.tif"},
        {"not an image",
         [&] { std::ofstream(Path("notes.tif")) << "just some text\n"; },
         {"DrevlinDIS stack", "notes.tif"},
         3,
         "notes.tif"},
        {"16-bit frames",
         writeTiff("wide.tif", 16, 1, SAMPLEFORMAT_UINT),
         {"DrevlinDIS stack", "wide.tif"},
         4,
         "--convert"},
        {"float frames",
         writeTiff("float.tif", 32, 1, SAMPLEFORMAT_IEEEFP),
         {"DrevlinDIS stack", "float.tif"},
         4,
         "--convert"},
        {"colour frames",
         writeTiff("colour.tif", 8, 3, SAMPLEFORMAT_UINT),
         {"DrevlinDIS stack", "colour.tif"},
         4,
         "--convert"},
        {"frames of different sizes",
         [&] {
             ASSERT_TRUE(cv::imwrite(Path("a.png"), frames[0]));
             ASSERT_TRUE(cv::imwrite(Path("b.png"), frames[1](cv::Rect(0, 0, 15, 12))));
         },
         {"DrevlinDIS stack", "a.png", "b.png"},
         5,
         "15 x 12"},
        {"one frame",
         [&] {
             WriteTestTiff(Path("one.tif"), FrameBytes({frames[0]}), {{16u, 12u}}, TestTiffLayout());
         },
         {"DrevlinDIS stack", "one.tif"},
         5,
         "at least two"},
        {"unknown keyword", [] {}, {"DrevlinDIS /Q=1 stack"}, 6, "\"/Q"},
        {"bad number", [] {}, {"DrevlinFarneback /W=wide stack"}, 6, "\"wide\""},
        {"no wave named", [] {}, {"DrevlinFarneback /W=9"}, 6, "names no wave"},
        {"no such operation", [] {}, {"DrevlinFlow stack"}, 6, "DrevlinFlow"},
        {"module error", [] {}, {"DrevlinDIS /PRST=3 stack"}, 7, "error 823: "},
        {"module error after another command wrote its results",
         [] {},
         {"--chunk", "2", "-c", "DrevlinFarneback stack", "-c", "DrevlinDIS /PRST=-1 stack"},
         7,
         "error 823: "},
        {"damaged page after earlier chunks were written",
         [&] { WriteStackWithDamagedLastPage(Path("damaged.tif")); },
         {"--chunk", "2", "DrevlinFarneback stack", "damaged.tif"},
         3,
         "page 5"},
        {"pair beyond the stack", [] {}, {"--picture", "7", "DrevlinDIS stack"}, 2, "pairs 0 to 6"},
        {"unknown option", [] {}, {"--fast", "DrevlinDIS stack"}, 2, "--fast"},
        {"unknown conversion", [] {}, {"--convert", "gamma", "DrevlinDIS stack"}, 2, "gamma"},
        {"module file missing", [] {}, {"--module", "nowhere.zek", "DrevlinDIS stack"}, 9, "nowhere.zek"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        std::vector<std::string> arguments = {"-o", "out/results"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const RunResult run = Run(arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        EXPECT_EQ(run.err.rfind("drevlin-flow: error: ", 0), 0u) << run.err;
        // Nothing written, not even the output folder the run made.
        EXPECT_FALSE(std::filesystem::exists(Path("out"))) << ::testing::PrintToString(FilesIn("out"));
    }
}

TEST_F(DrevlinFlowTest, OutputThatCannotBeWrittenIsAnErrorAndLeavesOlderResultsAlone)
{
    std::ofstream(Path("blocker")) << "a file where the folder should go\n";
    const RunResult blocked = Run({"-o", "blocker/out", "DrevlinDIS stack"});
    EXPECT_EQ(blocked.status, 8) << blocked.err;
    EXPECT_NE(blocked.err.find("blocker/out"), std::string::npos) << blocked.err;

    // A failing run into a folder of earlier results leaves those results as they were.
    ASSERT_EQ(Run({"-o", "kept", "DrevlinDIS stack"}).status, 0);
    const std::string before = ReadText(Path("kept/sample_DrevlinDIS_X.tif"));
    const RunResult failed = Run({"-o", "kept", "-c", "DrevlinDIS stack", "-c", "DrevlinDIS /PRST=5 stack"});
    EXPECT_EQ(failed.status, 7) << failed.err;
    EXPECT_EQ(ReadText(Path("kept/sample_DrevlinDIS_X.tif")), before);
    EXPECT_EQ(FilesIn("kept"), (std::vector<std::string>{"sample_DrevlinDIS_X.tif", "sample_DrevlinDIS_Y.tif",
                                                         "sample_DrevlinDIS_flow.png"}));
}

TEST_F(DrevlinFlowTest, HelpAndVersion)
{
    const RunResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: drevlin-flow", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    const RunResult version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("drevlin-flow ", 0), 0u) << version.out;
    EXPECT_EQ(FilesIn("drevlin-out"), std::vector<std::string>{});
}

}  // namespace
