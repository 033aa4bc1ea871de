// The streaming loop: one wave holds the current chunk; each command runs on it in turn through
// HostRunCommand, and its outputs are taken and killed before the next, so memory stays bounded.
#include "cli/main/flow_stream.h"

#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "cli/cli_errors.h"
#include "cli/main/exit_codes.h"
#include "cli/main/module_setup.h"
#include "cli/main/progress_bar.h"
#include "host/host_operations.h"
#include "host/host_waves.h"
#include "host/stand_in_host.h"
#include "numconv/numeric_types.h"

namespace {

// The wave that holds the current chunk, under the name the current command gives it.
struct StackWave {
    WaveHandle wave = nullptr;
    std::string name;
    int64_t frames = 0;
};

int32_t WaveFailure(int32_t code, const std::string& name, std::string* message)
{
    if (code == HOST_ERR_BAD_NAME) {
        *message = "\"" + name + "\" cannot name a wave (1 to 255 characters)";
        return EXITCODE_COMMAND;
    }
    *message =
        "cannot make the wave " + name + " for the stack" +
        (code == HOST_ERR_MEMORY_FULL ? std::string(": out of memory") : " (host error " + std::to_string(code) + ")");
    return EXITCODE_INTERNAL;
}

// Give the wave the stack's calibration: pixel steps and unit, and the frame timing from the chunk's start.
void DescribeStackWave(const StackInfo& info, int64_t firstFrame, WaveHandle wave)
{
    const StackCalibration& c = info.calibration;
    HostSetWaveScaling(wave, 0, c.stepX, c.offsetX);
    HostSetWaveScaling(wave, 1, c.stepY, c.offsetY);
    HostSetWaveUnits(wave, 0, c.unit);
    HostSetWaveUnits(wave, 1, c.unit);
    if (c.frameInterval > 0.0) {
        HostSetWaveScaling(wave, 2, c.frameInterval, c.frameInterval * static_cast<double>(firstFrame));
        HostSetWaveUnits(wave, 2, c.timeUnit);
    }
}

// Make (or resize) the stack wave for `frames` frames and read frames [first, first + frames) into it.
int32_t LoadChunk(StackSource* source, const std::string& name, int64_t first, int64_t frames, StackWave* stack,
                  std::string* message)
{
    const StackInfo& info = source->info;
    if (stack->wave == nullptr || stack->frames != frames) {
        if (stack->wave != nullptr) HostKillWave(stack->wave);
        *stack = StackWave();
        const int64_t sizes[3] = {info.width, info.height, frames};
        WaveHandle wave = nullptr;
        if (int32_t code = HostMakeWave(&wave, name.c_str(), TYPE_INT8 | TYPE_UNSIGNED, sizes, 3, true)) {
            return WaveFailure(code, name, message);
        }
        *stack = StackWave{wave, name, frames};
    }
    DescribeStackWave(info, first, stack->wave);
    const int32_t result = ReadFrames(source, first, frames, static_cast<uint8_t*>(HostWaveData(stack->wave)), message);
    return ExitCodeOfCliError(result);
}

// Put the chunk under the name the command uses: a new wave with the same frames and scaling.
int32_t RenameStackWave(const StackInfo& info, int64_t firstFrame, const std::string& name, StackWave* stack,
                        std::string* message)
{
    if (strcasecmp(stack->name.c_str(), name.c_str()) == 0) return EXITCODE_OK;
    const int64_t sizes[3] = {info.width, info.height, stack->frames};
    WaveHandle wave = nullptr;
    if (int32_t code = HostMakeWave(&wave, name.c_str(), TYPE_INT8 | TYPE_UNSIGNED, sizes, 3, true)) {
        return WaveFailure(code, name, message);
    }
    const size_t bytes =
        static_cast<size_t>(info.width) * static_cast<size_t>(info.height) * static_cast<size_t>(stack->frames);
    std::memcpy(HostWaveData(wave), HostWaveData(stack->wave), bytes);
    HostKillWave(stack->wave);
    *stack = StackWave{wave, name, stack->frames};
    DescribeStackWave(info, firstFrame, wave);
    return EXITCODE_OK;
}

// Run one command on the current chunk the way Tavra's command line does, and report what went wrong.
int32_t RunCommandOnChunk(const FlowCommand& command, double* seconds, std::string* message)
{
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    const int32_t code = HostRunCommand(command.line, &error);
    *seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ForwardModuleNotices();
    if (code == 0) return EXITCODE_OK;
    if (code == HOST_ERR_BAD_COMMAND || code == HOST_ERR_NO_SUCH_OPERATION) {
        *message = command.operation + ": " + error;
        return EXITCODE_COMMAND;
    }
    const std::string text = HostErrorMessage(code);
    const bool hasText = text != "error " + std::to_string(code) && !text.empty();
    *message = "\"" + command.line + "\" failed with error " + std::to_string(code) + ": " +
               (hasText ? text : std::string("the host knows no text for this code"));
    return EXITCODE_OPERATION;
}

void KillOutputWaves(const FlowCommand& command)
{
    for (const std::string& name : {command.outputX, command.outputY}) {
        if (WaveHandle wave = HostFindWave(name.c_str())) HostKillWave(wave);
    }
}

}  // namespace

int64_t DefaultChunkFrames(int32_t width, int32_t height)
{
    const int64_t bytesPerFrame = int64_t(9) * std::max(width, 1) * std::max(height, 1);  // 1 in, 2 x 4 out
    return std::clamp(DEFAULT_CHUNK_BUDGET_BYTES / bytesPerFrame, int64_t(2), DEFAULT_CHUNK_FRAMES);
}

int64_t ChunkCount(int64_t frameCount, int64_t chunkFrames)
{
    if (frameCount < 2 || chunkFrames < 2) return 0;
    return (frameCount - 2) / (chunkFrames - 1) + 1;
}

int32_t RunFlowStream(StackSource* source, const OutputPlan& plan, int64_t chunkFrames, bool showProgress,
                      std::vector<CommandOutputs>* outputs, std::string* message)
{
    const int64_t frameCount = source->info.frameCount;
    const int64_t chunks = ChunkCount(frameCount, chunkFrames);
    ProgressBar bar;
    StartProgress(&bar, (frameCount - 1) * static_cast<int64_t>(outputs->size()), showProgress);
    StackWave stack;
    int64_t pairsDone = 0;
    int32_t status = EXITCODE_OK;
    for (int64_t chunk = 0; chunk < chunks && status == EXITCODE_OK; ++chunk) {
        const int64_t first = chunk * (chunkFrames - 1);
        const int64_t frames = std::min(chunkFrames, frameCount - first);
        status = LoadChunk(source, outputs->front().command.waveName, first, frames, &stack, message);
        for (size_t i = 0; i < outputs->size() && status == EXITCODE_OK; ++i) {
            CommandOutputs* output = &(*outputs)[i];
            status = RenameStackWave(source->info, first, output->command.waveName, &stack, message);
            if (status == EXITCODE_OK) status = RunCommandOnChunk(output->command, &output->runSeconds, message);
            if (status == EXITCODE_OK) {
                ++output->invocations;
                status = TakeOutputLayers(plan, first, HostFindWave(output->command.outputX.c_str()),
                                          HostFindWave(output->command.outputY.c_str()), output, message);
            }
            KillOutputWaves(output->command);
            pairsDone += frames - 1;
            ShowProgress(&bar, pairsDone);
        }
    }
    EndProgress(&bar);
    if (stack.wave != nullptr) HostKillWave(stack.wave);
    return status;
}
