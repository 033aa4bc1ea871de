// Reading and writing the key=value text ImageJ keeps in a TIFF's ImageDescription.
#pragma once
#include <cstdint>
#include <string>

#include "cli/stack_calibration.h"

struct ImageJDescription {
    int64_t images = 0;    // 0 when the key is absent
    int64_t channels = 0;
    int64_t slices = 0;
    int64_t frames = 0;
    std::string unit;      // normalised with NormaliseUnitText, "" when absent or "pixel"
    double spacing = 0.0;
    double frameInterval = 0.0;
    std::string timeUnit;
    bool hasOrigin = false;
    double xOrigin = 0.0;  // in pixels, as ImageJ stores it
    double yOrigin = 0.0;
};

// Return true and fill `parsed` if `text` is an ImageJ description (first line "ImageJ=..."), else false.
bool ParseImageJDescription(const std::string& text, ImageJDescription* parsed);

// Decode \uXXXX escapes and a lone Latin-1 micro sign to UTF-8, and spell every micrometre unit "µm".
std::string NormaliseUnitText(const std::string& raw);

// Spell a UTF-8 unit for an ImageJ description: "µm" becomes "micron", other non-ASCII \uXXXX.
std::string EncodeImageJUnit(const std::string& unit);

// Build the description of a float stack of `pageCount` pages; `valueUnit` goes on a "vunit=" line.
std::string FormatImageJDescription(int64_t pageCount, const StackCalibration& calibration,
                                    const std::string& valueUnit);
