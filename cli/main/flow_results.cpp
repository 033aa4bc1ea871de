// Streaming one command's output layers into files, statistics and pictures.
#include "cli/main/flow_results.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include <opencv2/imgproc.hpp>

#include "cli/cli_errors.h"
#include "cli/flow_picture.h"
#include "cli/main/exit_codes.h"
#include "cli/main/flow_options.h"
#include "numconv/numeric_types.h"

namespace {

FlowPictureOptions PictureOptions(const OutputPlan& plan, const CommandOutputs& outputs)
{
    FlowPictureOptions options;
    options.maxMagnitude = plan.pictureMax;
    options.unit = outputs.valueUnit;
    return options;
}

std::string PairFileSuffix(const OutputPlan& plan, int64_t pairIndex)
{
    const int digits = static_cast<int>(std::to_string(plan.pairCount > 0 ? plan.pairCount - 1 : 0).size());
    char text[64];
    std::snprintf(text, sizeof text, "_flow_pair%0*lld.png", digits, static_cast<long long>(pairIndex));
    return text;
}

// Write one pair's picture on its own, as soon as it arrives (--picture all).
int32_t WritePairPicture(const OutputPlan& plan, int64_t pairIndex, const float* x, const float* y,
                         CommandOutputs* outputs, std::string* message)
{
    const std::string path = OutputPath(plan, *outputs, PairFileSuffix(plan, pairIndex));
    FlowPicturePair pair;
    pair.x = x;
    pair.y = y;
    pair.pairIndex = pairIndex;
    double used = 0.0;
    const int32_t result =
        WriteFlowPicture(path, {pair}, plan.width, plan.height, PictureOptions(plan, *outputs), &used, message);
    if (result != CLI_OK) return ExitCodeOfCliError(result);
    outputs->writtenFiles.push_back(path);
    outputs->pictureMaxUsed = std::max(outputs->pictureMaxUsed, used);
    return EXITCODE_OK;
}

// Keep a pair for the picture drawn at the end; montage tiles are averaged down to MONTAGE_TILE_SIDE.
void KeepPictureLayer(const OutputPlan& plan, int64_t pairIndex, const float* x, const float* y,
                      CommandOutputs* outputs)
{
    PictureLayer layer;
    layer.pairIndex = pairIndex;
    layer.width = plan.width;
    layer.height = plan.height;
    const int32_t longer = std::max(plan.width, plan.height);
    if (plan.pictureMode == PICTURE_MONTAGE && longer > MONTAGE_TILE_SIDE) {
        const double shrink = static_cast<double>(MONTAGE_TILE_SIDE) / longer;
        layer.width = std::max(1, static_cast<int32_t>(std::lround(plan.width * shrink)));
        layer.height = std::max(1, static_cast<int32_t>(std::lround(plan.height * shrink)));
    }
    const size_t count = static_cast<size_t>(layer.width) * static_cast<size_t>(layer.height);
    layer.x.resize(count);
    layer.y.resize(count);
    const float* sources[2] = {x, y};
    std::vector<float>* targets[2] = {&layer.x, &layer.y};
    for (int i = 0; i < 2; ++i) {
        const cv::Mat source(plan.height, plan.width, CV_32FC1, const_cast<float*>(sources[i]));
        cv::Mat target(layer.height, layer.width, CV_32FC1, targets[i]->data());
        if (layer.width == plan.width && layer.height == plan.height) {
            source.copyTo(target);
        } else {
            cv::resize(source, target, target.size(), 0.0, 0.0, cv::INTER_AREA);
        }
    }
    outputs->pictureLayers.push_back(std::move(layer));
}

bool ShowsInPicture(const OutputPlan& plan, int64_t pairIndex)
{
    if (plan.pictureMode == PICTURE_PAIR) return pairIndex == plan.picturePair;
    if (plan.pictureMode != PICTURE_MONTAGE) return false;
    for (int64_t shown : MontagePairs(plan.pairCount)) {
        if (shown == pairIndex) return true;
    }
    return false;
}

int32_t CompareWithSample(const OutputPlan& plan, int64_t pairIndex, const float* x, const float* y,
                          CommandOutputs* outputs, std::string* message)
{
    const size_t count = static_cast<size_t>(plan.width) * static_cast<size_t>(plan.height);
    std::vector<float> trueX(count);
    std::vector<float> trueY(count);
    int32_t result = GetSampleTrueDisplacement(*plan.sample, pairIndex, outputs->valueUnit.empty(), trueX.data(),
                                               trueY.data(), message);
    EndpointErrorStats errors;
    if (result == CLI_OK) {
        result = ComputeEndpointError(x, y, trueX.data(), trueY.data(), plan.width, plan.height, ENDPOINT_ERROR_MARGIN,
                                      &errors, message);
    }
    if (result != CLI_OK) return ExitCodeOfCliError(result);
    outputs->pairErrors.push_back(errors);
    return EXITCODE_OK;
}

// The wave must be a float matrix of the stack's rows and columns with `layers` layers.
int32_t CheckOutputWave(const OutputPlan& plan, WaveHandle wave, const std::string& name, int64_t* layers,
                        std::string* message)
{
    int64_t sizes[4] = {0, 0, 0, 0};
    if (wave == nullptr) {
        *message = "the operation made no wave " + name;
        return EXITCODE_INTERNAL;
    }
    if (HostWaveType(wave) != TYPE_FLOAT32 || HostWaveDimensions(wave, sizes) != 3 || sizes[0] != plan.width ||
        sizes[1] != plan.height || sizes[2] != *layers) {
        *message = "the operation's wave " + name + " is not a float stack of " + std::to_string(plan.width) + " x " +
                   std::to_string(plan.height) + " x " + std::to_string(*layers);
        return EXITCODE_INTERNAL;
    }
    return EXITCODE_OK;
}

}  // namespace

std::vector<int64_t> MontagePairs(int64_t pairCount)
{
    std::vector<int64_t> pairs;
    if (pairCount <= PICTURE_MONTAGE_PAIRS) {
        for (int64_t i = 0; i < pairCount; ++i) pairs.push_back(i);
        return pairs;
    }
    for (int64_t i = 0; i < PICTURE_MONTAGE_PAIRS; ++i) {
        // Evenly from the first pair to the last; the products stay far below 2^53.
        const double at = static_cast<double>(i) * static_cast<double>(pairCount - 1) / (PICTURE_MONTAGE_PAIRS - 1);
        pairs.push_back(static_cast<int64_t>(std::llround(at)));
    }
    return pairs;
}

std::string OutputPath(const OutputPlan& plan, const CommandOutputs& outputs, const std::string& suffix)
{
    return plan.folder + "/" + plan.stem + "_" + outputs.command.fileLabel + suffix;
}

int32_t OpenCommandOutputs(const OutputPlan& plan, WaveHandle x, CommandOutputs* outputs, std::string* message)
{
    outputs->valueUnit = HostGetWaveUnits(x, -1);
    // The files carry the geometry the module gave its outputs, and the stack's frame timing.
    outputs->calibration = plan.calibration;
    double offset = 0.0;
    HostGetWaveScaling(x, 0, &outputs->calibration.stepX, &offset);
    outputs->calibration.offsetX = offset;
    HostGetWaveScaling(x, 1, &outputs->calibration.stepY, &offset);
    outputs->calibration.offsetY = offset;
    outputs->calibration.unit = HostGetWaveUnits(x, 0);
    const std::string fileUnit = outputs->valueUnit.empty() ? std::string("px") : outputs->valueUnit;
    const char* const components[2] = {"_X", "_Y"};
    FloatTiffWriter* tiffs[2] = {&outputs->tiffX, &outputs->tiffY};
    NpyWriter* npys[2] = {&outputs->npyX, &outputs->npyY};
    for (int i = 0; i < 2; ++i) {
        int32_t result =
            OpenFloatTiffWriter(OutputPath(plan, *outputs, std::string(components[i]) + ".tif"), plan.width,
                                plan.height, plan.pairCount, outputs->calibration, fileUnit, tiffs[i], message);
        if (result == CLI_OK && plan.writeNpy) {
            result = OpenNpyWriter(OutputPath(plan, *outputs, std::string(components[i]) + ".npy"), plan.width,
                                   plan.height, plan.pairCount, npys[i], message);
        }
        if (result != CLI_OK) {
            AbortCommandOutputs(outputs);
            return ExitCodeOfCliError(result);
        }
    }
    outputs->opened = true;
    return EXITCODE_OK;
}

int32_t TakeOutputLayers(const OutputPlan& plan, int64_t firstPair, WaveHandle x, WaveHandle y, CommandOutputs* outputs,
                         std::string* message)
{
    int64_t sizes[4] = {0, 0, 0, 0};
    int64_t layers = x != nullptr && HostWaveDimensions(x, sizes) == 3 ? sizes[2] : 0;
    if (int32_t status = CheckOutputWave(plan, x, outputs->command.outputX, &layers, message)) return status;
    if (int32_t status = CheckOutputWave(plan, y, outputs->command.outputY, &layers, message)) return status;
    if (firstPair < 0 || layers > plan.pairCount - firstPair) {
        *message = "the operation gave more layers than the stack has pairs";
        return EXITCODE_INTERNAL;
    }
    if (!outputs->opened) {
        if (int32_t status = OpenCommandOutputs(plan, x, outputs, message)) return status;
    }
    const auto* xData = static_cast<const float*>(HostWaveData(x));
    const auto* yData = static_cast<const float*>(HostWaveData(y));
    const int64_t layerSize = static_cast<int64_t>(plan.width) * plan.height;
    try {
        for (int64_t k = 0; k < layers; ++k) {
            const float* layerX = xData + k * layerSize;
            const float* layerY = yData + k * layerSize;
            const int64_t pairIndex = firstPair + k;
            DisplacementStats stats;
            int32_t result = ComputeDisplacementStats(layerX, layerY, layerSize, &stats, message);
            if (result != CLI_OK) return ExitCodeOfCliError(result);
            outputs->pairStats.push_back(stats);
            if (plan.sample != nullptr) {
                if (int32_t status = CompareWithSample(plan, pairIndex, layerX, layerY, outputs, message))
                    return status;
            }
            if (plan.pictureMode == PICTURE_ALL) {
                if (int32_t status = WritePairPicture(plan, pairIndex, layerX, layerY, outputs, message)) return status;
            } else if (ShowsInPicture(plan, pairIndex)) {
                KeepPictureLayer(plan, pairIndex, layerX, layerY, outputs);
            }
        }
    } catch (const std::exception& error) {
        *message = std::string("the results cannot be summarised: ") + error.what();
        return EXITCODE_INTERNAL;
    }
    const float* planes[2] = {xData, yData};
    FloatTiffWriter* tiffs[2] = {&outputs->tiffX, &outputs->tiffY};
    NpyWriter* npys[2] = {&outputs->npyX, &outputs->npyY};
    for (int i = 0; i < 2; ++i) {
        int32_t result = AppendPages(tiffs[i], planes[i], layers, message);
        if (result == CLI_OK && plan.writeNpy) result = AppendNpyPages(npys[i], planes[i], layers, message);
        if (result != CLI_OK) return ExitCodeOfCliError(result);
    }
    return EXITCODE_OK;
}

int32_t FinishCommandOutputs(const OutputPlan& plan, CommandOutputs* outputs, std::string* message)
{
    if (!outputs->pictureLayers.empty()) {
        std::vector<FlowPicturePair> pairs;
        for (const PictureLayer& layer : outputs->pictureLayers) {
            FlowPicturePair pair;
            pair.x = layer.x.data();
            pair.y = layer.y.data();
            pair.pairIndex = layer.pairIndex;
            pairs.push_back(pair);
        }
        const PictureLayer& first = outputs->pictureLayers.front();
        const std::string suffix =
            plan.pictureMode == PICTURE_PAIR ? PairFileSuffix(plan, plan.picturePair) : "_flow.png";
        const std::string path = OutputPath(plan, *outputs, suffix);
        const int32_t result = WriteFlowPicture(path, pairs, first.width, first.height, PictureOptions(plan, *outputs),
                                                &outputs->pictureMaxUsed, message);
        if (result != CLI_OK) return ExitCodeOfCliError(result);
        outputs->writtenFiles.push_back(path);
    }
    FloatTiffWriter* tiffs[2] = {&outputs->tiffX, &outputs->tiffY};
    NpyWriter* npys[2] = {&outputs->npyX, &outputs->npyY};
    const char* const components[2] = {"_X", "_Y"};
    for (int i = 0; i < 2; ++i) {
        const int32_t result = CloseFloatTiffWriter(tiffs[i], message);
        if (result != CLI_OK) return ExitCodeOfCliError(result);
        outputs->writtenFiles.push_back(OutputPath(plan, *outputs, std::string(components[i]) + ".tif"));
    }
    for (int i = 0; i < 2 && plan.writeNpy; ++i) {
        const int32_t result = CloseNpyWriter(npys[i], message);
        if (result != CLI_OK) return ExitCodeOfCliError(result);
        outputs->writtenFiles.push_back(OutputPath(plan, *outputs, std::string(components[i]) + ".npy"));
    }
    return EXITCODE_OK;
}

void AbortCommandOutputs(CommandOutputs* outputs)
{
    AbortFloatTiffWriter(&outputs->tiffX);
    AbortFloatTiffWriter(&outputs->tiffY);
    AbortNpyWriter(&outputs->npyX);
    AbortNpyWriter(&outputs->npyY);
    for (const std::string& path : outputs->writtenFiles) unlink(path.c_str());
    outputs->writtenFiles.clear();
    outputs->opened = false;
}
