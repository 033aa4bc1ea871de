// Where one command's results go as the chunks come in: the X and Y files, per-pair statistics,
// endpoint errors against the sample's known motion, and the colour-wheel pictures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/flow_statistics.h"
#include "cli/float_tiff_writer.h"
#include "cli/npy_writer.h"
#include "cli/sample_stack.h"
#include "cli/stack_calibration.h"
#include "cli/main/flow_commands.h"
#include "host/host_waves.h"

// What every command's results share: the stack's geometry and the choices of the command line.
struct OutputPlan {
    std::string folder;
    std::string stem;  // names the input, e.g. "cells" for cells.tif
    int32_t width = 0;
    int32_t height = 0;
    int64_t pairCount = 0;
    StackCalibration calibration;
    bool writeNpy = false;
    int32_t pictureMode = 0;  // PICTURE_*
    int64_t picturePair = 0;
    double pictureMax = 0.0;
    const SampleStackSettings* sample = nullptr;  // the built-in sample: compare with its known motion
};

// The border left out of endpoint errors, where content enters and leaves the view.
constexpr int32_t ENDPOINT_ERROR_MARGIN = 16;
// The longer side of a montage tile; larger fields are averaged down as they arrive.
constexpr int32_t MONTAGE_TILE_SIDE = 320;

// One pair kept for a picture (reduced in size for a montage).
struct PictureLayer {
    int64_t pairIndex = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<float> x;
    std::vector<float> y;
};

struct CommandOutputs {
    FlowCommand command;
    bool opened = false;
    std::string valueUnit;  // the values' unit as the module set it; "" means pixels
    StackCalibration calibration;
    FloatTiffWriter tiffX;
    FloatTiffWriter tiffY;
    NpyWriter npyX;
    NpyWriter npyY;
    std::vector<DisplacementStats> pairStats;
    std::vector<EndpointErrorStats> pairErrors;  // the sample only
    std::vector<PictureLayer> pictureLayers;
    double pictureMaxUsed = 0.0;
    std::vector<std::string> writtenFiles;  // complete files of this run, in the order written
    double runSeconds = 0.0;                // time spent in the operation
    int64_t invocations = 0;
};

// The file name of one of the command's results, e.g. "<folder>/cells_DrevlinDIS_X.tif".
std::string OutputPath(const OutputPlan& plan, const CommandOutputs& outputs, const std::string& suffix);

// Start the result files once the first chunk's output wave `x` shows the calibration and value unit the
// module gave it. Return 0, or EXITCODE_OUTPUT / EXITCODE_INTERNAL with a message; nothing stays on disk.
int32_t OpenCommandOutputs(const OutputPlan& plan, WaveHandle x, CommandOutputs* outputs, std::string* message);

// Take the layers of one chunk's output waves, pairs firstPair onwards, into the files, statistics and
// pictures. Return 0, or an EXITCODE_* status with a message.
int32_t TakeOutputLayers(const OutputPlan& plan, int64_t firstPair, WaveHandle x, WaveHandle y, CommandOutputs* outputs,
                         std::string* message);

// Draw the kept pictures, then finish the X and Y files under their names.
// Return 0, or an EXITCODE_* status; the caller then calls AbortCommandOutputs.
int32_t FinishCommandOutputs(const OutputPlan& plan, CommandOutputs* outputs, std::string* message);

// Give up: unfinished files are discarded and this run's finished ones removed.
void AbortCommandOutputs(CommandOutputs* outputs);

// The pair indices a montage shows: all of them up to PICTURE_MONTAGE_PAIRS, else that many spread evenly.
std::vector<int64_t> MontagePairs(int64_t pairCount);
