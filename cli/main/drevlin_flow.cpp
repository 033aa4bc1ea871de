// drevlin-flow: runs Drevlin's flow operations on image stacks from the command line. It loads
// Drevlin-64.zek into the stand-in host as Tavra would and runs Tavra command lines through the
// operations' registered templates, streaming the stack through them chunk by chunk.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/main/exit_codes.h"
#include "cli/main/flow_commands.h"
#include "cli/main/flow_options.h"
#include "cli/main/flow_results.h"
#include "cli/main/flow_stream.h"
#include "cli/main/flow_summary.h"
#include "cli/main/module_setup.h"
#include "cli/main/output_folder.h"
#include "cli/stack_source.h"

namespace {

constexpr const char* PROGRAM_NAME = "drevlin-flow";

int32_t ReportError(int32_t status, const std::string& message)
{
    std::fprintf(stderr, "%s: error: %s\n", PROGRAM_NAME, message.c_str());
    return status;
}

// The stem of the result files' names: the TIFF's or first frame's name, the folder's, or "sample".
std::string InputStem(const StackSource& source)
{
    if (source.kind == STACK_SOURCE_SAMPLE) return "sample";
    std::filesystem::path path(source.path);
    if (!path.has_filename()) path = path.parent_path();  // "frames/" names the folder "frames"
    std::error_code error;
    const std::string stem =
        std::filesystem::is_directory(path, error) ? path.filename().string() : path.stem().string();
    return stem.empty() || stem == "." || stem == ".." ? std::string("stack") : stem;
}

// Everything after the options are read: module, commands, stack, streaming, results, summary.
int32_t RunFlow(const FlowOptions& options)
{
    std::string message;
    std::string modulePath;
    if (int32_t status = FindModuleFile(options.modulePath, &modulePath, &message)) return ReportError(status, message);
    if (int32_t status = LoadDrevlinModule(modulePath, &message)) return ReportError(status, message);
    std::vector<FlowCommand> commands;
    if (int32_t status = PrepareFlowCommands(options.commandLines, &commands, &message)) {
        return ReportError(status, message);
    }

    StackSource source;
    if (int32_t result = OpenStackSource(options.inputs, options.conversion, &source, &message)) {
        return ReportError(ExitCodeOfCliError(result), message);
    }
    OutputPlan plan;
    plan.folder = options.outputFolder;
    plan.stem = InputStem(source);
    plan.width = source.info.width;
    plan.height = source.info.height;
    plan.pairCount = source.info.frameCount - 1;
    plan.calibration = source.info.calibration;
    plan.writeNpy = options.writeNpy;
    plan.pictureMode = options.pictureMode;
    plan.picturePair = options.picturePair;
    plan.pictureMax = options.pictureMax;
    plan.sample = source.kind == STACK_SOURCE_SAMPLE ? &source.sample : nullptr;
    if (plan.pictureMode == PICTURE_PAIR && plan.picturePair >= plan.pairCount) {
        CloseStackSource(&source);
        return ReportError(EXITCODE_USAGE, "--picture " + std::to_string(plan.picturePair) +
                                               ": the stack has pairs 0 to " + std::to_string(plan.pairCount - 1));
    }
    const int64_t chunkFrames =
        options.chunkFrames > 0 ? options.chunkFrames : DefaultChunkFrames(plan.width, plan.height);
    if (!options.quiet) PrintStackSummary(stdout, source, chunkFrames, ChunkCount(source.info.frameCount, chunkFrames));
    std::fflush(stdout);

    std::vector<std::string> createdFolders;
    std::vector<CommandOutputs> outputs(commands.size());
    for (size_t i = 0; i < commands.size(); ++i) outputs[i].command = commands[i];
    int32_t status = MakeOutputFolder(plan.folder, &createdFolders, &message);
    if (status == EXITCODE_OK) status = RunFlowStream(&source, plan, chunkFrames, !options.quiet, &outputs, &message);
    for (size_t i = 0; i < outputs.size() && status == EXITCODE_OK; ++i) {
        status = FinishCommandOutputs(plan, &outputs[i], &message);
    }
    if (status != EXITCODE_OK) {
        for (CommandOutputs& output : outputs) AbortCommandOutputs(&output);
        RemoveCreatedFolders(createdFolders);
        CloseStackSource(&source);
        return ReportError(status, message);
    }
    if (!options.quiet) {
        for (const CommandOutputs& output : outputs) PrintCommandSummary(stdout, plan, output);
    }
    CloseStackSource(&source);
    return EXITCODE_OK;
}

int32_t Main(int argc, char** argv)
{
    FlowOptions options;
    std::string message;
    if (int32_t status = ParseFlowOptions(argc, argv, &options, &message)) return ReportError(status, message);
    if (options.showHelp) {
        std::fputs(FlowUsageText().c_str(), stdout);
        return EXITCODE_OK;
    }
    if (options.showVersion) {
        std::printf("%s %s (Drevlin %s in a stand-in for Tavra 8.0.4.0)\n", PROGRAM_NAME, DREVLIN_VERSION,
                    DREVLIN_VERSION);
        return EXITCODE_OK;
    }
    return RunFlow(options);
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        return ReportError(EXITCODE_INTERNAL, "out of memory");
    } catch (const std::exception& error) {
        return ReportError(EXITCODE_INTERNAL, std::string("unexpected failure: ") + error.what());
    } catch (...) {
        return ReportError(EXITCODE_INTERNAL, "unexpected failure");
    }
}
