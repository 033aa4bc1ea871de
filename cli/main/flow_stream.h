// Running the commands over a stack in chunks of frames that overlap by one, each chunk one invocation.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/main/flow_results.h"
#include "cli/stack_source.h"

// Memory the chunk's waves may take by default: the 8-bit frames and one command's two float outputs.
constexpr int64_t DEFAULT_CHUNK_BUDGET_BYTES = int64_t(192) << 20;
constexpr int64_t DEFAULT_CHUNK_FRAMES = 32;

// Frames per chunk when the user chose none: DEFAULT_CHUNK_FRAMES, fewer for large frames, at least 2.
int64_t DefaultChunkFrames(int32_t width, int32_t height);

// The chunks of a stack of frameCount frames (>= 2) with chunkFrames (>= 2) frames each: chunk i covers
// frames [i (chunkFrames - 1), i (chunkFrames - 1) + chunkFrames), cut at the stack's end.
int64_t ChunkCount(int64_t frameCount, int64_t chunkFrames);

// Read the stack chunk by chunk into the wave each command names and run every command on it through the
// host's command line, handing each chunk's output layers on to `outputs` (one per command, in order).
// Return 0, or an EXITCODE_* status with a one-line message; the caller then aborts the outputs.
int32_t RunFlowStream(StackSource* source, const OutputPlan& plan, int64_t chunkFrames, bool showProgress,
                      std::vector<CommandOutputs>* outputs, std::string* message);
