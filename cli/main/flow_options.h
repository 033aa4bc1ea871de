// The command line of drevlin-flow: options, operation command lines and inputs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/frame_conversion.h"

// Which colour-wheel pictures to write.
enum : int32_t {
    PICTURE_MONTAGE = 0,  // one picture of up to PICTURE_MONTAGE_PAIRS pairs spread over the stack
    PICTURE_ALL = 1,      // one picture per pair
    PICTURE_PAIR = 2,     // one picture of the pair `picturePair`
    PICTURE_NONE = 3
};
constexpr int32_t PICTURE_MONTAGE_PAIRS = 12;

struct FlowOptions {
    std::vector<std::string> commandLines;  // Tavra command lines, run in this order
    std::vector<std::string> inputs;        // nothing: the built-in sample
    std::string outputFolder = "drevlin-out";
    bool writeNpy = false;
    int32_t pictureMode = PICTURE_MONTAGE;
    int64_t picturePair = 0;
    double pictureMax = 0.0;  // full-colour length; 0: the longest vector shown
    int32_t conversion = CONVERT_NONE;
    int64_t chunkFrames = 0;  // 0: chosen from the frame size
    std::string modulePath;   // "": found beside the program
    bool quiet = false;
    bool showHelp = false;
    bool showVersion = false;
};

// Read argv. Without -c, the first argument that is not an option is the command line.
// Return 0, or EXITCODE_USAGE with a one-line message.
int32_t ParseFlowOptions(int argc, char** argv, FlowOptions* options, std::string* message);

// The text --help prints.
std::string FlowUsageText();
