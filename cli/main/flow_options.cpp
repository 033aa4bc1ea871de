// Reading drevlin-flow's command line: a table of options, each with its own small reader.
#include "cli/main/flow_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cli/cli_errors.h"
#include "cli/main/exit_codes.h"

namespace {

enum : int32_t {
    OPTION_COMMAND,
    OPTION_OUTPUT,
    OPTION_NPY,
    OPTION_PICTURE,
    OPTION_PICTURE_MAX,
    OPTION_CONVERT,
    OPTION_CHUNK,
    OPTION_MODULE,
    OPTION_QUIET,
    OPTION_HELP,
    OPTION_VERSION
};

struct OptionEntry {
    char shortName;  // 0: long form only
    const char* longName;
    bool takesValue;
    int32_t id;
};

const OptionEntry OPTIONS[] = {
    {'c', "command", true, OPTION_COMMAND},
    {'o', "output", true, OPTION_OUTPUT},
    {0, "npy", false, OPTION_NPY},
    {0, "picture", true, OPTION_PICTURE},
    {0, "picture-max", true, OPTION_PICTURE_MAX},
    {0, "convert", true, OPTION_CONVERT},
    {0, "chunk", true, OPTION_CHUNK},
    {0, "module", true, OPTION_MODULE},
    {'q', "quiet", false, OPTION_QUIET},
    {'h', "help", false, OPTION_HELP},
    {'V', "version", false, OPTION_VERSION},
};

constexpr int64_t MAX_CHUNK_FRAMES = 1000000;

// Read a whole decimal integer. Return false if `text` is not one or lies outside [minimum, maximum].
bool ReadInteger(const std::string& text, int64_t minimum, int64_t maximum, int64_t* value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || parsed < minimum || parsed > maximum) {
        return false;
    }
    *value = parsed;
    return true;
}

int32_t Refuse(const std::string& text, std::string* message)
{
    *message = text;
    return EXITCODE_USAGE;
}

int32_t ReadPictureChoice(const std::string& value, FlowOptions* options, std::string* message)
{
    if (value == "montage") {
        options->pictureMode = PICTURE_MONTAGE;
    } else if (value == "all") {
        options->pictureMode = PICTURE_ALL;
    } else if (value == "none") {
        options->pictureMode = PICTURE_NONE;
    } else if (ReadInteger(value, 0, INT64_MAX, &options->picturePair)) {
        options->pictureMode = PICTURE_PAIR;
    } else {
        return Refuse("--picture takes montage, all, none or a pair number from 0, not \"" + value + "\"", message);
    }
    return EXITCODE_OK;
}

int32_t ApplyOption(int32_t id, const std::string& value, FlowOptions* options, std::string* message)
{
    switch (id) {
        case OPTION_COMMAND:
            options->commandLines.push_back(value);
            return EXITCODE_OK;
        case OPTION_OUTPUT:
            if (value.empty()) return Refuse("--output needs a folder name", message);
            options->outputFolder = value;
            return EXITCODE_OK;
        case OPTION_NPY:
            options->writeNpy = true;
            return EXITCODE_OK;
        case OPTION_PICTURE:
            return ReadPictureChoice(value, options, message);
        case OPTION_PICTURE_MAX: {
            char* end = nullptr;
            const double parsed = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !std::isfinite(parsed) || !(parsed > 0.0)) {
                return Refuse("--picture-max takes a positive number, not \"" + value + "\"", message);
            }
            options->pictureMax = parsed;
            return EXITCODE_OK;
        }
        case OPTION_CONVERT:
            if (ParseConversionMode(value, &options->conversion, message) != CLI_OK) {
                *message = "--convert: " + *message;
                return EXITCODE_USAGE;
            }
            return EXITCODE_OK;
        case OPTION_CHUNK:
            if (!ReadInteger(value, 2, MAX_CHUNK_FRAMES, &options->chunkFrames)) {
                return Refuse("--chunk takes a number of frames from 2 to " + std::to_string(MAX_CHUNK_FRAMES) +
                                  ", not \"" + value + "\"",
                              message);
            }
            return EXITCODE_OK;
        case OPTION_MODULE:
            if (value.empty()) return Refuse("--module needs a file name", message);
            options->modulePath = value;
            return EXITCODE_OK;
        case OPTION_QUIET:
            options->quiet = true;
            return EXITCODE_OK;
        case OPTION_HELP:
            options->showHelp = true;
            return EXITCODE_OK;
        default:
            options->showVersion = true;
            return EXITCODE_OK;
    }
}

const OptionEntry* FindLongOption(const std::string& name)
{
    for (const OptionEntry& option : OPTIONS) {
        if (name == option.longName) return &option;
    }
    return nullptr;
}

const OptionEntry* FindShortOption(char name)
{
    for (const OptionEntry& option : OPTIONS) {
        if (option.shortName != 0 && option.shortName == name) return &option;
    }
    return nullptr;
}

}  // namespace

int32_t ParseFlowOptions(int argc, char** argv, FlowOptions* options, std::string* message)
{
    std::vector<std::string> positionals;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionEntry* option = nullptr;
        std::string value;
        bool hasValue = false;
        if (argument[1] == '-') {
            const size_t equals = argument.find('=');
            option = FindLongOption(argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
            if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
                hasValue = true;
            }
        } else {
            option = FindShortOption(argument[1]);
            if (argument.size() > 2) {
                value = argument.substr(2);
                hasValue = true;
            }
        }
        if (option == nullptr) {
            return Refuse("unknown option \"" + argument + "\"; see --help", message);
        }
        if (!option->takesValue && hasValue) {
            return Refuse("option \"" + argument + "\" takes no value", message);
        }
        if (option->takesValue && !hasValue) {
            if (i + 1 >= argc) return Refuse("option \"" + argument + "\" needs a value", message);
            value = argv[++i];
        }
        if (const int32_t status = ApplyOption(option->id, value, options, message)) return status;
    }
    if (options->showHelp || options->showVersion) return EXITCODE_OK;
    size_t firstInput = 0;
    if (options->commandLines.empty()) {
        if (positionals.empty()) {
            return Refuse("no command line given, e.g. drevlin-flow \"DrevlinDIS stack\" frames.tif; see --help",
                          message);
        }
        options->commandLines.push_back(positionals[0]);
        firstInput = 1;
    }
    options->inputs.assign(positionals.begin() + static_cast<std::ptrdiff_t>(firstInput), positionals.end());
    return EXITCODE_OK;
}

std::string FlowUsageText()
{
    return R"(Usage: drevlin-flow [options] "COMMAND" [INPUT...]
       drevlin-flow [options] -c "COMMAND" [-c "COMMAND"...] [INPUT...]

Runs Drevlin's dense optical flow on an image stack the way Tavra runs it: the module file
Drevlin-64.zek is loaded into the stand-in host and COMMAND, a Tavra command line, is run
through the operation's registered template. The wave COMMAND names holds the input stack:
    drevlin-flow "DrevlinFarneback /W=21 /PXL stack" cells.tif
    drevlin-flow -c "DrevlinFarneback stack" -c "DrevlinDIS /PRST=2 stack"

INPUT is a multi-page 8-bit grayscale TIFF, a folder of PNG or TIFF frames, or a list of
frame files in the order given. Without INPUT the built-in sample is used: a textured scene
moving by a known sub-pixel step per frame, so the run can check itself.

Operations:
  DrevlinFarneback [/PS=pyr_scale] [/L=levels] [/W=winsize] [/N=iterations] [/G]
                   [/POLY={poly_n, poly_sigma}] [/PXL] wave
  DrevlinDIS [/PRST=preset (0, 1 or 2)] [/PXL] wave
  Displacements come in the stack's unit (the TIFF's calibration); /PXL keeps pixels.

Options:
  -c, --command CMD    a command line to run; repeat it to run several in one pass
  -o, --output DIR     folder for the results (default ./drevlin-out, made when missing)
      --npy            also write X and Y as NumPy .npy files
      --picture WHICH  colour-wheel PNG: montage (default; up to 12 pairs spread over the
                       stack), all (one picture per pair), N (pair N: frames N and N+1,
                       counted from 0) or none
      --picture-max V  displacement drawn at full colour (default: the longest one drawn)
      --convert MODE   make 8-bit frames of 16-bit, float or colour ones: scale (the
                       stack's minimum..maximum onto 0..255), clip (rounded, clipped to
                       0..255) or shift (16-bit only: the top 8 bits); colour becomes luma
                       (0.299 R + 0.587 G + 0.114 B) first
      --chunk N        frames per invocation (N >= 2); chunks overlap by one frame, so
                       memory stays bounded by N (default: up to 32, fewer for large frames).
                       Every pair is computed on its own, so the results do not depend on N
      --module PATH    the module file (default: Drevlin-64.zek beside the program or in
                       the folder above it)
  -q, --quiet          print nothing but errors
  -h, --help           show this text
  -V, --version        show the version

Results, in the output folder, for each command (<stem> names the input, e.g. cells):
  <stem>_<Operation>_X.tif, _Y.tif   32-bit float stacks, one page per frame pair,
                                     with the stack's calibration and units
  <stem>_<Operation>_X.npy, _Y.npy   with --npy: float32, shape (pairs, height, width)
  <stem>_<Operation>_flow.png        the colour-wheel picture (_pair<N>.png for one pair)
A file appears only when it is complete; after an error none of this run's files remain.

Exit status:
  0 success                          5 frames differ in size or kind, or fewer than two
  1 internal error                   6 the operation's template refuses the command line
  2 bad usage                        7 the operation returned an error code
  3 input missing or unreadable      8 results cannot be written
  4 frames need --convert            9 the module cannot be loaded
)";
}
