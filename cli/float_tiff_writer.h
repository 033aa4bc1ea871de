// A 32-bit float multi-page TIFF written page by page, laid out the way ImageJ lays out its stacks,
// so Fiji opens it as a calibrated stack and libtiff reads every page.
#pragma once
#include <cstdint>
#include <string>

#include "cli/float_page_stream.h"
#include "cli/stack_calibration.h"

// Layout: header, first directory with the ImageJ description and the resolution values, the other
// directories, then the pixel data of all pages back to back (little-endian, uncompressed, one strip
// per page). Stacks whose data would reach past 4 GB get the first directory only, ImageJ's own
// convention for such stacks (libtiff then sees one page; ImageJ and OpenTiffStack see them all).
// Calibration: XResolution/YResolution = 1 / step, ResolutionUnit centimetre for "cm", inch for
// "inch", none otherwise; the description carries images=, slices=, unit= (µm as "micron"),
// finterval=, spacing=, xorigin=/yorigin= and the unit of the values as "vunit=".
struct FloatTiffWriter {
    FloatPageStream stream;
};

// Start `path` for `pageCount` pages of width x height floats. Return 0, or CLI_ERR_ARGUMENT /
// CLI_ERR_WRITE with a message; on failure nothing is left on disk.
int32_t OpenFloatTiffWriter(const std::string& path, int32_t width, int32_t height, int64_t pageCount,
                            const StackCalibration& calibration, const std::string& valueUnit,
                            FloatTiffWriter* writer, std::string* message);

// Append `count` pages, each height rows of width floats, one after the other.
// Return 0, or CLI_ERR_ARGUMENT (more pages than announced) / CLI_ERR_WRITE; the file then stays unfinished.
int32_t AppendPages(FloatTiffWriter* writer, const float* pages, int64_t count, std::string* message);

// Finish the file and give it its name. Return 0, or CLI_ERR_ARGUMENT if fewer pages than announced
// came, or CLI_ERR_WRITE; on failure the unfinished file is removed.
int32_t CloseFloatTiffWriter(FloatTiffWriter* writer, std::string* message);

// Give up the file: nothing of it remains. Safe on a closed or never-opened writer.
void AbortFloatTiffWriter(FloatTiffWriter* writer);

// The closest fraction numerator / denominator with both parts in 1 .. 2^32 - 1, for TIFF's RATIONAL.
// Return false if `value` is not a positive finite number.
bool ApproximateRational(double value, uint32_t* numerator, uint32_t* denominator);
