// Image stacks read frame range by frame range: a multi-page TIFF, frame files, or the sample stack.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <tiffio.h>

#include "cli/frame_conversion.h"
#include "cli/sample_kind.h"
#include "cli/sample_stack.h"
#include "cli/stack_calibration.h"
#include "cli/tiff_frames.h"

enum : int32_t { STACK_SOURCE_TIFF = 1, STACK_SOURCE_FILES = 2, STACK_SOURCE_SAMPLE = 3 };

struct StackInfo {
    int32_t width = 0;        // size0: pixels per row (dimension 0, x)
    int32_t height = 0;       // size1: rows per frame (dimension 1, y)
    int64_t frameCount = 0;   // size2
    int32_t sampleKind = 0;   // STACK_SAMPLE_* of the stored frames, before conversion
    StackCalibration calibration;
    bool hasValueRange = false;  // set when conversion scale needed the stack's range
    double valueMinimum = 0.0;   // the range that maps onto 0..255 (of the luma, for colour frames)
    double valueMaximum = 0.0;
};

// An open source. Fields are the reader's own; callers use `info` and the functions below.
struct StackSource {
    int32_t kind = 0;
    StackInfo info;
    int32_t conversion = CONVERT_NONE;
    std::string path;                     // the TIFF file or the folder, for messages
    std::vector<std::string> framePaths;  // STACK_SOURCE_FILES: one file per frame
    std::vector<int32_t> frameFormats;    // STACK_SOURCE_FILES: FRAME_FILE_* of each file
    TIFF* tiff = nullptr;                 // STACK_SOURCE_TIFF: open for the source's life
    TiffPageLayout layout;                // layout shared by every page
    std::vector<uint64_t> pageOffsets;    // STACK_SOURCE_TIFF: file offset of every page's directory
    bool contiguous = false;              // one directory, frames back to back (ImageJ stacks beyond 4 GB)
    uint64_t contiguousOffset = 0;
    SampleStackSettings sample;           // STACK_SOURCE_SAMPLE
};

// Open a multi-page TIFF. `conversion` is a CONVERT_* mode; without one, only 8-bit grayscale is taken.
// Return 0, or a CLI_ERR_* code with a one-line message naming the file; on failure nothing stays open.
int32_t OpenTiffStack(const std::string& path, int32_t conversion, StackSource* source, std::string* message);

// Open the PNG and TIFF frames of a folder, in ListFrameFolder's order. Return as OpenTiffStack.
int32_t OpenFrameFolder(const std::string& folder, int32_t conversion, StackSource* source, std::string* message);

// Open an explicit list of single-frame PNG or TIFF files, in the given order. Return as OpenTiffStack.
int32_t OpenFrameList(const std::vector<std::string>& paths, int32_t conversion, StackSource* source,
                      std::string* message);

// Open the built-in sample stack. Return 0, or CLI_ERR_ARGUMENT for bad settings.
int32_t OpenSampleStack(const SampleStackSettings& settings, StackSource* source, std::string* message);

// Open what the command line names: nothing gives the default sample stack, one folder its frames,
// one file a TIFF stack (a lone PNG is a stack of one frame), several files a frame list.
int32_t OpenStackSource(const std::vector<std::string>& inputs, int32_t conversion, StackSource* source,
                        std::string* message);

// Read frames [first, first + count) as 8-bit frames into `destination`, one after the other, each
// height rows of width bytes. Only these frames are read. Return 0, or a CLI_ERR_* code with a message.
int32_t ReadFrames(StackSource* source, int64_t first, int64_t count, uint8_t* destination, std::string* message);

// Release what the source holds; closing a closed or never-opened source does nothing.
void CloseStackSource(StackSource* source);
