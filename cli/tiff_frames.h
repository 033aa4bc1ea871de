// Reading the pages of TIFF files through libtiff: page layout, pixels and calibration.
#pragma once
#include <cstdint>
#include <string>

#include <opencv2/core.hpp>
#include <tiffio.h>

#include "cli/imagej_description.h"
#include "cli/stack_calibration.h"

// What frame reading needs to know of one page (the current directory).
struct TiffPageLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 0;
    uint16_t samplesPerPixel = 0;
    uint16_t compression = 0;
    bool tiled = false;
    int32_t sampleKind = 0;  // STACK_SAMPLE_*
    int32_t cvType = 0;      // OpenCV type of one decoded page (8U, 16U or 32F; 1, 3 or 4 channels, RGB order)
};

// Open `path` for reading with libtiff's messages captured instead of printed.
// Return 0, or CLI_ERR_NOT_FOUND / CLI_ERR_READ with a one-line message naming the file.
int32_t OpenTiffForReading(const std::string& path, TIFF** tiff, std::string* message);

// Describe the current directory's page. Return 0, or CLI_ERR_UNSUPPORTED / CLI_ERR_READ saying what the page is.
int32_t ProbeTiffPage(TIFF* tiff, TiffPageLayout* layout, std::string* message);

// Decode the current directory's page into `frame` (allocated here, of layout.cvType).
// Return 0, or CLI_ERR_READ with libtiff's reason.
int32_t ReadTiffPage(TIFF* tiff, const TiffPageLayout& layout, cv::Mat* frame, std::string* message);

// Read the current directory's calibration: resolution tags, ResolutionUnit and an ImageJ description.
// An ImageJ unit names the resolution's unit; otherwise centimetre gives "cm", inch gives "inch"
// (72 dpi, the common default of drawing programs, counts as uncalibrated), and no unit means pixels.
// *isImageJ tells whether the page carries an ImageJ description, then found in *description.
void ReadTiffCalibration(TIFF* tiff, StackCalibration* calibration, ImageJDescription* description,
                         bool* isImageJ);

// If the current page is uncompressed and its strips lie back to back, set *dataOffset to the file
// position of its first pixel and return true (ImageJ stacks beyond 4 GB continue from there).
bool FindContiguousPixelData(TIFF* tiff, const TiffPageLayout& layout, uint64_t* dataOffset);

// The last libtiff error text reported on this thread, "" if none since ClearTiffError.
const std::string& LastTiffError();
void ClearTiffError();
