// Reading the pages of TIFF files through libtiff: page layout, pixels and calibration.
#include "cli/tiff_frames.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/cli_errors.h"
#include "cli/sample_kind.h"

namespace {

thread_local std::string lastTiffError;

// Keep libtiff's error text for our messages instead of letting it print to the terminal.
int CaptureTiffError(TIFF*, void*, const char* module, const char* format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    lastTiffError = text;
    for (char& c : lastTiffError) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    (void)module;
    return 1;
}

// Warnings (unknown private tags of microscope software, mostly) are not worth a word.
int IgnoreTiffWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

std::string WithTiffReason(const std::string& text)
{
    if (lastTiffError.empty()) {
        return text;
    }
    return text + " (libtiff: " + lastTiffError + ")";
}

// Map the page's sample layout to a sample kind, or explain why it is not one.
int32_t ClassifyPage(uint16_t photometric, uint16_t bits, uint16_t format, uint16_t samples, uint16_t planar,
                     TiffPageLayout* layout, std::string* message)
{
    const bool gray = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    const std::string numbers = std::to_string(bits) + "-bit " +
                                (format == SAMPLEFORMAT_IEEEFP ? "float"
                                 : format == SAMPLEFORMAT_INT  ? "signed integer"
                                                               : "unsigned integer");
    if ((gray || photometric == PHOTOMETRIC_PALETTE) && samples == 1) {
        if (bits == 8 && format == SAMPLEFORMAT_UINT) {
            layout->sampleKind = STACK_SAMPLE_GRAY8;
            layout->cvType = CV_8UC1;
            return CLI_OK;
        }
        if (bits == 16 && format == SAMPLEFORMAT_UINT && gray) {
            layout->sampleKind = STACK_SAMPLE_GRAY16;
            layout->cvType = CV_16UC1;
            return CLI_OK;
        }
        if (bits == 32 && format == SAMPLEFORMAT_IEEEFP && gray) {
            layout->sampleKind = STACK_SAMPLE_FLOAT32;
            layout->cvType = CV_32FC1;
            return CLI_OK;
        }
        *message = "frames of " + numbers + " samples are not supported (8-bit, 16-bit or 32-bit float grayscale, "
                   "8-bit or 16-bit colour)";
        return CLI_ERR_UNSUPPORTED;
    }
    if (photometric == PHOTOMETRIC_RGB && (samples == 3 || samples == 4)) {
        if (planar != PLANARCONFIG_CONTIG) {
            *message = "colour frames stored plane by plane are not supported";
            return CLI_ERR_UNSUPPORTED;
        }
        if (format == SAMPLEFORMAT_UINT && (bits == 8 || bits == 16)) {
            layout->sampleKind = bits == 8 ? STACK_SAMPLE_COLOUR8 : STACK_SAMPLE_COLOUR16;
            layout->cvType = CV_MAKETYPE(bits == 8 ? CV_8U : CV_16U, samples);
            return CLI_OK;
        }
        *message = "colour frames of " + numbers + " samples are not supported";
        return CLI_ERR_UNSUPPORTED;
    }
    *message = "frames with photometric interpretation " + std::to_string(photometric) + " and " +
               std::to_string(samples) + " samples per pixel are not supported";
    return CLI_ERR_UNSUPPORTED;
}

int32_t ReadStrips(TIFF* tiff, const TiffPageLayout& layout, cv::Mat* frame, std::string* message)
{
    uint32_t rowsPerStrip = layout.height;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > layout.height) {
        rowsPerStrip = layout.height;
    }
    const size_t rowBytes = frame->step[0];
    const uint32_t stripCount = TIFFNumberOfStrips(tiff);
    for (uint32_t row = 0; row < layout.height; row += rowsPerStrip) {
        const uint32_t strip = row / rowsPerStrip;
        const uint32_t rows = std::min(rowsPerStrip, layout.height - row);
        const auto wanted = static_cast<tmsize_t>(rows * rowBytes);
        if (strip >= stripCount ||
            TIFFReadEncodedStrip(tiff, strip, frame->ptr<uint8_t>(static_cast<int>(row)), wanted) != wanted) {
            *message = WithTiffReason("pixel data of strip " + std::to_string(strip) + " cannot be read");
            return CLI_ERR_READ;
        }
    }
    return CLI_OK;
}

int32_t ReadTiles(TIFF* tiff, const TiffPageLayout& layout, cv::Mat* frame, std::string* message)
{
    uint32_t tileWidth = 0;
    uint32_t tileHeight = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
    const tmsize_t tileBytes = TIFFTileSize(tiff);
    const size_t pixelBytes = frame->elemSize();
    if (tileWidth == 0 || tileHeight == 0 || tileBytes <= 0 ||
        static_cast<uint64_t>(tileBytes) < static_cast<uint64_t>(tileWidth) * tileHeight * pixelBytes) {
        *message = WithTiffReason("the tile layout is not readable");
        return CLI_ERR_READ;
    }
    std::vector<uint8_t> tile(static_cast<size_t>(tileBytes));
    for (uint32_t y = 0; y < layout.height; y += tileHeight) {
        for (uint32_t x = 0; x < layout.width; x += tileWidth) {
            const uint32_t index = TIFFComputeTile(tiff, x, y, 0, 0);
            if (TIFFReadEncodedTile(tiff, index, tile.data(), tileBytes) < 0) {
                *message = WithTiffReason("pixel data of tile " + std::to_string(index) + " cannot be read");
                return CLI_ERR_READ;
            }
            const uint32_t rows = std::min(tileHeight, layout.height - y);
            const size_t copyBytes = std::min(tileWidth, layout.width - x) * pixelBytes;
            for (uint32_t r = 0; r < rows; ++r) {
                std::memcpy(frame->ptr<uint8_t>(static_cast<int>(y + r)) + x * pixelBytes,
                            tile.data() + static_cast<size_t>(r) * tileWidth * pixelBytes, copyBytes);
            }
        }
    }
    return CLI_OK;
}

// Pixel steps from resolution tags: an ImageJ unit wins, else the ResolutionUnit decides.
void ApplyResolution(TIFF* tiff, const ImageJDescription& description, StackCalibration* calibration)
{
    float xResolution = 0.0f;
    float yResolution = 0.0f;
    uint16_t resolutionUnit = RESUNIT_INCH;
    if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xResolution) ||
        !TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yResolution)) {
        return;
    }
    if (!(std::isfinite(xResolution) && xResolution > 0.0f && std::isfinite(yResolution) && yResolution > 0.0f)) {
        return;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &resolutionUnit);
    std::string unit = description.unit;
    if (unit.empty() && resolutionUnit == RESUNIT_CENTIMETER) {
        unit = "cm";
    } else if (unit.empty() && resolutionUnit == RESUNIT_INCH && !(xResolution == 72.0f && yResolution == 72.0f)) {
        unit = "inch";
    }
    if (unit.empty()) {
        return;
    }
    calibration->unit = unit;
    calibration->stepX = 1.0 / static_cast<double>(xResolution);
    calibration->stepY = 1.0 / static_cast<double>(yResolution);
}

}  // namespace

const std::string& LastTiffError()
{
    return lastTiffError;
}

void ClearTiffError()
{
    lastTiffError.clear();
}

int32_t OpenTiffForReading(const std::string& path, TIFF** tiff, std::string* message)
{
    *tiff = nullptr;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        *message = path + ": " + (errno == ENOENT ? std::string("no such file") : std::string(std::strerror(errno)));
        return CLI_ERR_NOT_FOUND;
    }
    if (!S_ISREG(status.st_mode)) {
        *message = path + ": not a regular file";
        return CLI_ERR_READ;
    }
    ClearTiffError();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        *message = path + ": out of memory";
        return CLI_ERR_INTERNAL;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, CaptureTiffError, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreTiffWarning, nullptr);
    // "m" keeps libtiff from mapping the whole file into memory, so reading stays frame by frame.
    *tiff = TIFFOpenExt(path.c_str(), "rm", options);
    TIFFOpenOptionsFree(options);
    if (*tiff == nullptr) {
        *message = WithTiffReason(path + ": not a readable TIFF file");
        return CLI_ERR_READ;
    }
    return CLI_OK;
}

int32_t ProbeTiffPage(TIFF* tiff, TiffPageLayout* layout, std::string* message)
{
    *layout = TiffPageLayout();
    uint16_t samples = 1;
    uint16_t bits = 1;
    uint16_t format = SAMPLEFORMAT_UINT;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t photometric = 0;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout->width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout->height) || layout->width == 0 || layout->height == 0) {
        *message = WithTiffReason("a page has no width or height");
        return CLI_ERR_READ;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &layout->compression);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) {
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    layout->bitsPerSample = bits;
    layout->samplesPerPixel = samples;
    layout->tiled = TIFFIsTiled(tiff) != 0;
    const int32_t result = ClassifyPage(photometric, bits, format, samples, planar, layout, message);
    if (result != CLI_OK) {
        return result;
    }
    // One decoded page must stay addressable by int offsets (OpenCV) and plain strip reads.
    const uint64_t pageBytes = static_cast<uint64_t>(layout->width) * layout->height * (bits / 8u) * samples;
    if (layout->width > 0x7FFFFFFFu || layout->height > 0x7FFFFFFFu || pageBytes > 0x7FFFFFFFu) {
        *message = "pages of " + std::to_string(layout->width) + " x " + std::to_string(layout->height) +
                   " pixels are too large";
        return CLI_ERR_UNSUPPORTED;
    }
    return CLI_OK;
}

int32_t ReadTiffPage(TIFF* tiff, const TiffPageLayout& layout, cv::Mat* frame, std::string* message)
{
    frame->create(static_cast<int>(layout.height), static_cast<int>(layout.width), layout.cvType);
    ClearTiffError();
    return layout.tiled ? ReadTiles(tiff, layout, frame, message) : ReadStrips(tiff, layout, frame, message);
}

bool FindContiguousPixelData(TIFF* tiff, const TiffPageLayout& layout, uint64_t* dataOffset)
{
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    if (layout.tiled || layout.compression != COMPRESSION_NONE ||
        !TIFFGetField(tiff, TIFFTAG_STRIPOFFSETS, &offsets) || !TIFFGetField(tiff, TIFFTAG_STRIPBYTECOUNTS, &counts) ||
        offsets == nullptr || counts == nullptr) {
        return false;
    }
    const uint32_t stripCount = TIFFNumberOfStrips(tiff);
    for (uint32_t i = 0; i + 1 < stripCount; ++i) {
        if (offsets[i + 1] != offsets[i] + counts[i]) {
            return false;
        }
    }
    *dataOffset = offsets[0];
    return stripCount > 0;
}

void ReadTiffCalibration(TIFF* tiff, StackCalibration* calibration, ImageJDescription* description,
                         bool* isImageJ)
{
    *calibration = StackCalibration();
    *description = ImageJDescription();
    *isImageJ = false;
    char* text = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &text) && text != nullptr) {
        *isImageJ = ParseImageJDescription(text, description);
    }
    ApplyResolution(tiff, *description, calibration);
    if (description->hasOrigin) {
        calibration->offsetX = -description->xOrigin * calibration->stepX + 0.0;
        calibration->offsetY = -description->yOrigin * calibration->stepY + 0.0;
    }
    calibration->frameInterval = description->frameInterval;
    calibration->timeUnit = description->timeUnit;
    calibration->sliceSpacing = description->spacing;
}
