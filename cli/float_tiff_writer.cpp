// A 32-bit float multi-page TIFF written page by page, laid out the way ImageJ lays out its stacks.
#include "cli/float_tiff_writer.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "cli/cli_errors.h"
#include "cli/imagej_description.h"

namespace {

enum : uint16_t {
    TIFF_TYPE_ASCII = 2,
    TIFF_TYPE_SHORT = 3,
    TIFF_TYPE_LONG = 4,
    TIFF_TYPE_RATIONAL = 5
};

enum : uint16_t {
    TAG_IMAGE_WIDTH = 256,
    TAG_IMAGE_LENGTH = 257,
    TAG_BITS_PER_SAMPLE = 258,
    TAG_COMPRESSION = 259,
    TAG_PHOTOMETRIC = 262,
    TAG_IMAGE_DESCRIPTION = 270,
    TAG_STRIP_OFFSETS = 273,
    TAG_SAMPLES_PER_PIXEL = 277,
    TAG_ROWS_PER_STRIP = 278,
    TAG_STRIP_BYTE_COUNTS = 279,
    TAG_X_RESOLUTION = 282,
    TAG_Y_RESOLUTION = 283,
    TAG_PLANAR_CONFIGURATION = 284,
    TAG_RESOLUTION_UNIT = 296,
    TAG_SAMPLE_FORMAT = 339
};

constexpr uint64_t TIFF_CLASSIC_LIMIT = 0xFFFFFFFFull;
constexpr uint64_t TIFF_HEADER_BYTES = 8;
constexpr uint64_t TIFF_ENTRY_BYTES = 12;

struct TiffEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;  // the value itself for one SHORT or LONG, else the offset of the values
};

void PutLittle16(std::vector<uint8_t>* bytes, uint16_t value)
{
    bytes->push_back(static_cast<uint8_t>(value & 0xFF));
    bytes->push_back(static_cast<uint8_t>(value >> 8));
}

void PutLittle32(std::vector<uint8_t>* bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        bytes->push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
}

uint64_t DirectoryBytes(size_t entryCount)
{
    return 2 + TIFF_ENTRY_BYTES * entryCount + 4;
}

void PutDirectory(std::vector<uint8_t>* bytes, const std::vector<TiffEntry>& entries, uint32_t nextDirectory)
{
    PutLittle16(bytes, static_cast<uint16_t>(entries.size()));
    for (const TiffEntry& entry : entries) {
        PutLittle16(bytes, entry.tag);
        PutLittle16(bytes, entry.type);
        PutLittle32(bytes, entry.count);
        if (entry.type == TIFF_TYPE_SHORT && entry.count == 1) {
            PutLittle16(bytes, static_cast<uint16_t>(entry.value));  // a SHORT sits in the first two bytes
            PutLittle16(bytes, 0);
        } else {
            PutLittle32(bytes, entry.value);
        }
    }
    PutLittle32(bytes, nextDirectory);
}

uint16_t ResolutionUnitFor(const std::string& unit)
{
    if (unit == "cm") {
        return 3;
    }
    if (unit == "inch") {
        return 2;
    }
    return 1;
}

// The entries of one page, in ascending tag order as TIFF requires.
std::vector<TiffEntry> PageEntries(const FloatTiffWriter& writer, uint32_t stripOffset, bool withDescription,
                                   uint32_t descriptionBytes, uint32_t descriptionOffset, bool calibrated,
                                   uint32_t rationalOffset, uint16_t resolutionUnit)
{
    std::vector<TiffEntry> entries = {
        {TAG_IMAGE_WIDTH, TIFF_TYPE_LONG, 1, writer.stream.width},
        {TAG_IMAGE_LENGTH, TIFF_TYPE_LONG, 1, writer.stream.height},
        {TAG_BITS_PER_SAMPLE, TIFF_TYPE_SHORT, 1, 32},
        {TAG_COMPRESSION, TIFF_TYPE_SHORT, 1, 1},
        {TAG_PHOTOMETRIC, TIFF_TYPE_SHORT, 1, 1},  // black is zero
    };
    if (withDescription) {
        entries.push_back({TAG_IMAGE_DESCRIPTION, TIFF_TYPE_ASCII, descriptionBytes, descriptionOffset});
    }
    entries.push_back({TAG_STRIP_OFFSETS, TIFF_TYPE_LONG, 1, stripOffset});
    entries.push_back({TAG_SAMPLES_PER_PIXEL, TIFF_TYPE_SHORT, 1, 1});
    entries.push_back({TAG_ROWS_PER_STRIP, TIFF_TYPE_LONG, 1, writer.stream.height});
    entries.push_back({TAG_STRIP_BYTE_COUNTS, TIFF_TYPE_LONG, 1, writer.stream.width * writer.stream.height * 4u});
    if (calibrated) {
        entries.push_back({TAG_X_RESOLUTION, TIFF_TYPE_RATIONAL, 1, rationalOffset});
        entries.push_back({TAG_Y_RESOLUTION, TIFF_TYPE_RATIONAL, 1, rationalOffset + 8});
    }
    entries.push_back({TAG_PLANAR_CONFIGURATION, TIFF_TYPE_SHORT, 1, 1});
    if (calibrated) {
        entries.push_back({TAG_RESOLUTION_UNIT, TIFF_TYPE_SHORT, 1, resolutionUnit});
    }
    entries.push_back({TAG_SAMPLE_FORMAT, TIFF_TYPE_SHORT, 1, 3});  // IEEE float
    return entries;
}

int32_t CheckWriterArguments(int32_t width, int32_t height, int64_t pageCount, std::string* message)
{
    if (width <= 0 || height <= 0 || pageCount <= 0) {
        *message = "a float stack needs a positive width, height and page count";
        return CLI_ERR_ARGUMENT;
    }
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4u > TIFF_CLASSIC_LIMIT) {
        *message = "pages of " + std::to_string(width) + " x " + std::to_string(height) +
                   " floats do not fit a TIFF strip";
        return CLI_ERR_ARGUMENT;
    }
    return CLI_OK;
}

// Write header, directories, description and resolution values; they are all known up front.
int32_t WriteTiffHead(FloatTiffWriter* writer, const StackCalibration& calibration, const std::string& valueUnit,
                      std::string* message)
{
    const std::string description = FormatImageJDescription(writer->stream.pageCount, calibration, valueUnit);
    const auto descriptionBytes = static_cast<uint32_t>(description.size() + 1);
    uint32_t xNumerator = 0, xDenominator = 0, yNumerator = 0, yDenominator = 0;
    const bool calibrated = !calibration.unit.empty() &&
                            ApproximateRational(1.0 / calibration.stepX, &xNumerator, &xDenominator) &&
                            ApproximateRational(1.0 / calibration.stepY, &yNumerator, &yDenominator);
    const uint16_t resolutionUnit = ResolutionUnitFor(calibration.unit);
    const size_t firstEntryCount = PageEntries(*writer, 0, true, 0, 0, calibrated, 0, 0).size();
    const size_t otherEntryCount = firstEntryCount - 1;

    const uint64_t descriptionOffset = TIFF_HEADER_BYTES + DirectoryBytes(firstEntryCount);
    const uint64_t rationalOffset = descriptionOffset + ((descriptionBytes + 1u) & ~1u);
    const uint64_t otherDirectoriesOffset = rationalOffset + (calibrated ? 16u : 0u);
    const uint64_t pageBytes = static_cast<uint64_t>(writer->stream.width) * writer->stream.height * 4u;
    const auto pageCount = static_cast<uint64_t>(writer->stream.pageCount);
    uint64_t dataOffset = (otherDirectoriesOffset + (pageCount - 1) * DirectoryBytes(otherEntryCount) + 15u) & ~15ull;
    const bool allDirectories = dataOffset + pageCount * pageBytes <= TIFF_CLASSIC_LIMIT;
    if (!allDirectories) {
        dataOffset = (otherDirectoriesOffset + 15u) & ~15ull;
    }
    writer->stream.dataOffset = dataOffset;

    std::vector<uint8_t> head = {'I', 'I'};
    PutLittle16(&head, 42);
    PutLittle32(&head, static_cast<uint32_t>(TIFF_HEADER_BYTES));
    const uint32_t secondDirectory = allDirectories && pageCount > 1 ? static_cast<uint32_t>(otherDirectoriesOffset) : 0;
    PutDirectory(&head, PageEntries(*writer, static_cast<uint32_t>(dataOffset), true, descriptionBytes,
                                    static_cast<uint32_t>(descriptionOffset), calibrated,
                                    static_cast<uint32_t>(rationalOffset), resolutionUnit),
                 secondDirectory);
    head.insert(head.end(), description.begin(), description.end());
    head.resize(static_cast<size_t>(rationalOffset), 0);  // the terminating zero and the padding byte
    if (calibrated) {
        PutLittle32(&head, xNumerator);
        PutLittle32(&head, xDenominator);
        PutLittle32(&head, yNumerator);
        PutLittle32(&head, yDenominator);
    }
    int32_t result = WriteOutputAt(&writer->stream.file, 0, head.data(), head.size(), message);
    if (!allDirectories) {
        return result;
    }
    // The other directories, written a batch at a time so a long stack never builds them all in memory.
    std::vector<uint8_t> batch;
    uint64_t batchOffset = otherDirectoriesOffset;
    for (uint64_t page = 1; page < pageCount && result == CLI_OK; ++page) {
        const uint64_t here = otherDirectoriesOffset + (page - 1) * DirectoryBytes(otherEntryCount);
        const uint32_t next = page + 1 < pageCount ? static_cast<uint32_t>(here + DirectoryBytes(otherEntryCount)) : 0;
        PutDirectory(&batch, PageEntries(*writer, static_cast<uint32_t>(dataOffset + page * pageBytes), false, 0, 0,
                                         calibrated, static_cast<uint32_t>(rationalOffset), resolutionUnit),
                     next);
        if (batch.size() >= (1u << 20) || page + 1 == pageCount) {
            result = WriteOutputAt(&writer->stream.file, batchOffset, batch.data(), batch.size(), message);
            batchOffset += batch.size();
            batch.clear();
        }
    }
    return result;
}

}  // namespace

bool ApproximateRational(double value, uint32_t* numerator, uint32_t* denominator)
{
    if (!(value > 0.0) || !std::isfinite(value)) {
        return false;
    }
    const double limit = static_cast<double>(TIFF_CLASSIC_LIMIT);
    if (value >= limit) {
        *numerator = static_cast<uint32_t>(TIFF_CLASSIC_LIMIT);
        *denominator = 1;
        return true;
    }
    if (value <= 1.0 / limit) {
        *numerator = 1;
        *denominator = static_cast<uint32_t>(TIFF_CLASSIC_LIMIT);
        return true;
    }
    // Continued fraction: keep the last convergent whose parts both fit.
    uint64_t previousNumerator = 0, previousDenominator = 1;
    uint64_t bestNumerator = 1, bestDenominator = 0;
    double rest = value;
    for (int step = 0; step < 64; ++step) {
        const double whole = std::floor(rest);
        if (whole > limit) {
            break;
        }
        const auto term = static_cast<uint64_t>(whole);
        const uint64_t nextNumerator = term * bestNumerator + previousNumerator;
        const uint64_t nextDenominator = term * bestDenominator + previousDenominator;
        if (nextNumerator > TIFF_CLASSIC_LIMIT || nextDenominator > TIFF_CLASSIC_LIMIT) {
            break;
        }
        previousNumerator = bestNumerator;
        previousDenominator = bestDenominator;
        bestNumerator = nextNumerator;
        bestDenominator = nextDenominator;
        const double fraction = rest - whole;
        if (fraction < 1e-12) {
            break;
        }
        rest = 1.0 / fraction;
    }
    if (bestNumerator == 0 || bestDenominator == 0) {
        return false;
    }
    *numerator = static_cast<uint32_t>(bestNumerator);
    *denominator = static_cast<uint32_t>(bestDenominator);
    return true;
}

int32_t OpenFloatTiffWriter(const std::string& path, int32_t width, int32_t height, int64_t pageCount,
                            const StackCalibration& calibration, const std::string& valueUnit,
                            FloatTiffWriter* writer, std::string* message)
{
    *writer = FloatTiffWriter();
    int32_t result = CheckWriterArguments(width, height, pageCount, message);
    if (result != CLI_OK) {
        *message = path + ": " + *message;
        return result;
    }
    result = OpenFloatPageStream(path, static_cast<uint32_t>(width), static_cast<uint32_t>(height), pageCount,
                                 &writer->stream, message);
    if (result != CLI_OK) {
        return result;
    }
    try {
        result = WriteTiffHead(writer, calibration, valueUnit, message);
    } catch (const std::exception&) {
        *message = path + ": out of memory";
        result = CLI_ERR_INTERNAL;
    }
    if (result != CLI_OK) {
        AbortFloatTiffWriter(writer);
    }
    return result;
}

int32_t AppendPages(FloatTiffWriter* writer, const float* pages, int64_t count, std::string* message)
{
    return AppendFloatPages(&writer->stream, pages, count, "a stack", message);
}

int32_t CloseFloatTiffWriter(FloatTiffWriter* writer, std::string* message)
{
    return CloseFloatPageStream(&writer->stream, message);
}

void AbortFloatTiffWriter(FloatTiffWriter* writer)
{
    AbortFloatPageStream(&writer->stream);
}
