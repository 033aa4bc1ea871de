// Image stacks read frame range by frame range: a multi-page TIFF, frame files, or the sample stack.
#include "cli/stack_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>

#include <opencv2/imgcodecs.hpp>

#include "cli/cli_errors.h"
#include "cli/frame_files.h"

namespace {

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string SizeText(uint32_t width, uint32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

size_t FrameBytes(const StackInfo& info)
{
    return static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
}

// Run `body`, turning an escaping exception into CLI_ERR_INTERNAL so none crosses the library's interface.
template <typename Body>
int32_t Guarded(std::string* message, Body body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        *message = "out of memory";
    } catch (const std::exception& error) {
        *message = std::string("unexpected failure: ") + error.what();
    }
    return CLI_ERR_INTERNAL;
}

void SwapSampleBytes(cv::Mat* frame)
{
    const size_t count = frame->total() * static_cast<size_t>(frame->channels());
    if (frame->depth() == CV_16U) {
        TIFFSwabArrayOfShort(frame->ptr<uint16_t>(), static_cast<tmsize_t>(count));
    } else if (frame->depth() == CV_32F) {
        TIFFSwabArrayOfFloat(frame->ptr<float>(), static_cast<tmsize_t>(count));
    }
}

int32_t ReadContiguousFrame(StackSource* source, int64_t index, cv::Mat* frame, std::string* message)
{
    frame->create(source->info.height, source->info.width, source->layout.cvType);
    const size_t bytes = frame->total() * frame->elemSize();
    const int descriptor = TIFFFileno(source->tiff);
    const uint64_t start = source->contiguousOffset + static_cast<uint64_t>(index) * bytes;
    size_t done = 0;
    while (done < bytes) {
        const ssize_t got = pread(descriptor, frame->ptr<uint8_t>() + done, bytes - done,
                                  static_cast<off_t>(start + done));
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            *message = source->path + ": frame " + std::to_string(index + 1) + " cannot be read" +
                       (got < 0 ? std::string(" (") + std::strerror(errno) + ")" : std::string(" (file ends early)"));
            return CLI_ERR_READ;
        }
        done += static_cast<size_t>(got);
    }
    if (TIFFIsByteSwapped(source->tiff)) {
        SwapSampleBytes(frame);
    }
    return CLI_OK;
}

// Open one single-page TIFF frame file and check it matches the stack's layout.
int32_t ReadTiffFrameFile(StackSource* source, const std::string& path, cv::Mat* frame, std::string* message)
{
    TIFF* tiff = nullptr;
    int32_t result = OpenTiffForReading(path, &tiff, message);
    if (result != CLI_OK) {
        return result;
    }
    TiffPageLayout layout;
    result = ProbeTiffPage(tiff, &layout, message);
    if (result != CLI_OK) {
        *message = path + ": " + *message;
    } else if (layout.width != static_cast<uint32_t>(source->info.width) ||
               layout.height != static_cast<uint32_t>(source->info.height) ||
               layout.sampleKind != source->info.sampleKind) {
        *message = path + ": changed since the stack was opened";
        result = CLI_ERR_SIZE_MISMATCH;
    } else {
        result = ReadTiffPage(tiff, layout, frame, message);
        if (result != CLI_OK) {
            *message = path + ": " + *message;
        }
    }
    TIFFClose(tiff);
    return result;
}

int32_t ReadPngFrameFile(StackSource* source, const std::string& path, cv::Mat* frame, std::string* message)
{
    *frame = cv::imread(path, cv::IMREAD_UNCHANGED);
    if (frame->empty()) {
        *message = path + ": cannot be read or decoded";
        return CLI_ERR_READ;
    }
    const bool wide = source->info.sampleKind == STACK_SAMPLE_GRAY16 || source->info.sampleKind == STACK_SAMPLE_COLOUR16;
    if (frame->cols != source->info.width || frame->rows != source->info.height ||
        frame->depth() != (wide ? CV_16U : CV_8U)) {
        *message = path + ": changed since the stack was opened";
        return CLI_ERR_SIZE_MISMATCH;
    }
    return CLI_OK;
}

// Decode frame `index` as stored (8U, 16U or 32F; 1, 3 or 4 channels); *bgrOrder tells the channel order.
int32_t ReadNativeFrame(StackSource* source, int64_t index, cv::Mat* frame, bool* bgrOrder, std::string* message)
{
    *bgrOrder = false;
    if (source->kind == STACK_SOURCE_TIFF) {
        if (source->contiguous) {
            return ReadContiguousFrame(source, index, frame, message);
        }
        ClearTiffError();
        if (!TIFFSetSubDirectory(source->tiff, source->pageOffsets[static_cast<size_t>(index)])) {
            *message = source->path + ": page " + std::to_string(index + 1) + " cannot be read" +
                       (LastTiffError().empty() ? std::string() : " (libtiff: " + LastTiffError() + ")");
            return CLI_ERR_READ;
        }
        const int32_t result = ReadTiffPage(source->tiff, source->layout, frame, message);
        if (result != CLI_OK) {
            *message = source->path + ": page " + std::to_string(index + 1) + ": " + *message;
        }
        return result;
    }
    const std::string& path = source->framePaths[static_cast<size_t>(index)];
    if (source->frameFormats[static_cast<size_t>(index)] == FRAME_FILE_TIFF) {
        return ReadTiffFrameFile(source, path, frame, message);
    }
    *bgrOrder = true;
    return ReadPngFrameFile(source, path, frame, message);
}

int32_t ConvertFrame(StackSource* source, const cv::Mat& frame, bool bgrOrder, uint8_t* destination,
                     std::string* message)
{
    cv::Mat luma;
    int32_t result = FrameToLuma(frame, bgrOrder, &luma, message);
    if (result == CLI_OK) {
        result = ConvertLumaTo8Bit(luma, source->conversion, source->info.valueMinimum, source->info.valueMaximum,
                                   destination, message);
    }
    return result;
}

// Pass over every frame once for the range that conversion scale maps onto 0..255.
int32_t FindValueRange(StackSource* source, std::string* message)
{
    cv::Mat frame;
    cv::Mat luma;
    bool found = false;
    double minimum = 0.0;
    double maximum = 0.0;
    for (int64_t index = 0; index < source->info.frameCount; ++index) {
        bool bgrOrder = false;
        int32_t result = ReadNativeFrame(source, index, &frame, &bgrOrder, message);
        if (result == CLI_OK) {
            result = FrameToLuma(frame, bgrOrder, &luma, message);
        }
        if (result != CLI_OK) {
            return result;
        }
        ExtendValueRange(luma, &minimum, &maximum, &found);
    }
    source->info.hasValueRange = true;
    source->info.valueMinimum = minimum;
    source->info.valueMaximum = maximum;
    return CLI_OK;
}

// The checks every kind of source ends with: frame count, conversion, and the range for scale.
int32_t FinishOpen(StackSource* source, const std::string& label, std::string* message)
{
    if (source->info.frameCount < 2) {
        *message = label + ": " + std::to_string(source->info.frameCount) +
                   (source->info.frameCount == 1 ? " frame" : " frames") + "; optical flow needs at least two";
        return CLI_ERR_TOO_FEW_FRAMES;
    }
    std::string reason;
    const int32_t result = CheckConversion(source->info.sampleKind, source->conversion, &reason);
    if (result != CLI_OK) {
        *message = label + ": " + reason;
        return result;
    }
    if (ConversionNeedsRange(source->info.sampleKind, source->conversion)) {
        return FindValueRange(source, message);
    }
    return CLI_OK;
}

bool IsReducedImage(TIFF* tiff)
{
    uint32_t subfileType = 0;
    return TIFFGetField(tiff, TIFFTAG_SUBFILETYPE, &subfileType) && (subfileType & FILETYPE_REDUCEDIMAGE) != 0;
}

// Walk the main chain of directories, keeping each full-size page's offset and checking they agree.
int32_t CollectTiffPages(StackSource* source, std::string* message)
{
    bool first = true;
    int64_t pageNumber = 0;
    for (;;) {
        ++pageNumber;
        // Thumbnails that some instruments store beside the frames are skipped.
        if (IsReducedImage(source->tiff)) {
            ClearTiffError();
            if (!TIFFReadDirectory(source->tiff)) {
                break;
            }
            continue;
        }
        TiffPageLayout layout;
        const int32_t result = ProbeTiffPage(source->tiff, &layout, message);
        if (result != CLI_OK) {
            *message = source->path + ": page " + std::to_string(pageNumber) + ": " + *message;
            return result;
        }
        if (first) {
            source->layout = layout;
            first = false;
        } else if (layout.width != source->layout.width || layout.height != source->layout.height) {
            *message = source->path + ": page " + std::to_string(pageNumber) + " is " +
                       SizeText(layout.width, layout.height) + " but page 1 is " +
                       SizeText(source->layout.width, source->layout.height);
            return CLI_ERR_SIZE_MISMATCH;
        } else if (layout.cvType != source->layout.cvType) {
            *message = source->path + ": page " + std::to_string(pageNumber) + " is " +
                       DescribeSampleKind(layout.sampleKind) + " but page 1 is " +
                       DescribeSampleKind(source->layout.sampleKind);
            return CLI_ERR_SIZE_MISMATCH;
        }
        source->pageOffsets.push_back(TIFFCurrentDirOffset(source->tiff));
        ClearTiffError();
        if (!TIFFReadDirectory(source->tiff)) {
            break;
        }
    }
    if (!LastTiffError().empty()) {
        *message = source->path + ": the page after page " + std::to_string(pageNumber) +
                   " cannot be read (libtiff: " + LastTiffError() + ")";
        return CLI_ERR_READ;
    }
    if (first) {
        *message = source->path + ": holds no full-size page";
        return CLI_ERR_READ;
    }
    return CLI_OK;
}

// ImageJ keeps stacks beyond 4 GB as one directory followed by every frame back to back.
int32_t UseContiguousImageJFrames(StackSource* source, int64_t images, std::string* message)
{
    uint64_t offset = 0;
    if (!FindContiguousPixelData(source->tiff, source->layout, &offset)) {
        return CLI_OK;  // not laid out that way: the single page is the whole stack
    }
    const uint64_t frameBytes = static_cast<uint64_t>(source->layout.width) * source->layout.height *
                                (source->layout.bitsPerSample / 8u) * source->layout.samplesPerPixel;
    struct stat status {};
    if (fstat(TIFFFileno(source->tiff), &status) != 0 || status.st_size < 0) {
        *message = source->path + ": cannot be examined (" + std::strerror(errno) + ")";
        return CLI_ERR_READ;
    }
    const auto fileSize = static_cast<uint64_t>(status.st_size);
    const uint64_t available = fileSize > offset ? (fileSize - offset) / frameBytes : 0;
    if (available < static_cast<uint64_t>(images)) {
        *message = source->path + ": its description announces " + std::to_string(images) +
                   " frames but the file holds " + std::to_string(available) + "; it is truncated";
        return CLI_ERR_READ;
    }
    source->contiguous = true;
    source->contiguousOffset = offset;
    source->info.frameCount = images;
    return CLI_OK;
}

int32_t OpenTiffStackBody(const std::string& path, StackSource* source, std::string* message)
{
    int32_t result = OpenTiffForReading(path, &source->tiff, message);
    if (result != CLI_OK) {
        return result;
    }
    result = CollectTiffPages(source, message);
    if (result != CLI_OK) {
        return result;
    }
    if (!TIFFSetSubDirectory(source->tiff, source->pageOffsets[0])) {
        *message = path + ": page 1 cannot be read again";
        return CLI_ERR_READ;
    }
    ImageJDescription description;
    bool isImageJ = false;
    ReadTiffCalibration(source->tiff, &source->info.calibration, &description, &isImageJ);
    source->info.width = static_cast<int32_t>(source->layout.width);
    source->info.height = static_cast<int32_t>(source->layout.height);
    source->info.sampleKind = source->layout.sampleKind;
    source->info.frameCount = static_cast<int64_t>(source->pageOffsets.size());
    if (isImageJ && description.channels > 1) {
        *message = path + ": an ImageJ hyperstack with " + std::to_string(description.channels) +
                   " channels; save one channel as its own stack first";
        return CLI_ERR_UNSUPPORTED;
    }
    if (isImageJ && description.slices > 1 && description.frames > 1) {
        *message = path + ": an ImageJ hyperstack with " + std::to_string(description.slices) + " slices and " +
                   std::to_string(description.frames) + " time frames; save one slice's time series first";
        return CLI_ERR_UNSUPPORTED;
    }
    if (isImageJ && source->pageOffsets.size() == 1 && description.images > 1) {
        result = UseContiguousImageJFrames(source, description.images, message);
        if (result != CLI_OK) {
            return result;
        }
    }
    return FinishOpen(source, path, message);
}

// Examine one frame file's header: its format, size and sample kind; calibration from the first.
int32_t ProbeFrameFile(StackSource* source, size_t index, std::string* message)
{
    const std::string& path = source->framePaths[index];
    int32_t format = 0;
    int32_t result = DetectFrameFileFormat(path, &format, message);
    if (result != CLI_OK) {
        return result;
    }
    TiffPageLayout layout;
    if (format == FRAME_FILE_PNG) {
        result = ProbePngFrame(path, &layout.width, &layout.height, &layout.sampleKind, message);
        if (result != CLI_OK) {
            return result;
        }
    } else {
        TIFF* tiff = nullptr;
        result = OpenTiffForReading(path, &tiff, message);
        if (result != CLI_OK) {
            return result;
        }
        result = ProbeTiffPage(tiff, &layout, message);
        if (result != CLI_OK) {
            *message = path + ": " + *message;
        } else if (TIFFNumberOfDirectories(tiff) > 1) {
            *message = path + ": holds " + std::to_string(TIFFNumberOfDirectories(tiff)) +
                       " pages; a folder or list of frames takes one frame per file";
            result = CLI_ERR_UNSUPPORTED;
        } else if (index == 0) {
            ImageJDescription description;
            bool isImageJ = false;
            ReadTiffCalibration(tiff, &source->info.calibration, &description, &isImageJ);
        }
        TIFFClose(tiff);
        if (result != CLI_OK) {
            return result;
        }
    }
    source->frameFormats.push_back(format);
    if (index == 0) {
        source->layout = layout;
        source->info.width = static_cast<int32_t>(layout.width);
        source->info.height = static_cast<int32_t>(layout.height);
        source->info.sampleKind = layout.sampleKind;
        return CLI_OK;
    }
    const std::string& firstPath = source->framePaths[0];
    if (layout.width != source->layout.width || layout.height != source->layout.height) {
        *message = path + ": " + SizeText(layout.width, layout.height) + ", but the first frame " +
                   FileName(firstPath) + " has " + SizeText(source->layout.width, source->layout.height);
        return CLI_ERR_SIZE_MISMATCH;
    }
    if (layout.sampleKind != source->info.sampleKind) {
        *message = path + ": " + DescribeSampleKind(layout.sampleKind) + ", but the first frame " +
                   FileName(firstPath) + " is " + DescribeSampleKind(source->info.sampleKind);
        return CLI_ERR_SIZE_MISMATCH;
    }
    return CLI_OK;
}

int32_t OpenFrameFilesBody(const std::string& label, StackSource* source, std::string* message)
{
    source->kind = STACK_SOURCE_FILES;
    source->info.frameCount = static_cast<int64_t>(source->framePaths.size());
    if (source->framePaths.empty()) {
        *message = label + ": no PNG or TIFF frames; optical flow needs at least two";
        return CLI_ERR_TOO_FEW_FRAMES;
    }
    for (size_t index = 0; index < source->framePaths.size(); ++index) {
        const int32_t result = ProbeFrameFile(source, index, message);
        if (result != CLI_OK) {
            return result;
        }
    }
    return FinishOpen(source, label, message);
}

int32_t ReadFramesBody(StackSource* source, int64_t first, int64_t count, uint8_t* destination,
                       std::string* message)
{
    const StackInfo& info = source->info;
    if (source->kind == 0) {
        *message = "the stack is not open";
        return CLI_ERR_ARGUMENT;
    }
    if (first < 0 || count < 0 || first > info.frameCount || count > info.frameCount - first) {
        *message = std::to_string(count) + " frames from index " + std::to_string(first) +
                   " do not lie within the stack's " + std::to_string(info.frameCount) + " frames";
        return CLI_ERR_ARGUMENT;
    }
    if (source->kind == STACK_SOURCE_SAMPLE) {
        return RenderSampleFrames(source->sample, first, count, destination, message);
    }
    const size_t frameBytes = FrameBytes(info);
    cv::Mat frame;
    for (int64_t i = 0; i < count; ++i) {
        uint8_t* out = destination + static_cast<size_t>(i) * frameBytes;
        if (source->layout.cvType == CV_8UC1) {
            // 8-bit grayscale is decoded straight into the caller's memory.
            frame = cv::Mat(info.height, info.width, CV_8UC1, out);
        }
        bool bgrOrder = false;
        int32_t result = ReadNativeFrame(source, first + i, &frame, &bgrOrder, message);
        if (result == CLI_OK && frame.data != out) {
            result = ConvertFrame(source, frame, bgrOrder, out, message);
        }
        if (result != CLI_OK) {
            return result;
        }
    }
    return CLI_OK;
}

}  // namespace

int32_t OpenTiffStack(const std::string& path, int32_t conversion, StackSource* source, std::string* message)
{
    CloseStackSource(source);
    source->kind = STACK_SOURCE_TIFF;
    source->conversion = conversion;
    source->path = path;
    const int32_t result = Guarded(message, [&] { return OpenTiffStackBody(path, source, message); });
    if (result != CLI_OK) {
        CloseStackSource(source);
    }
    return result;
}

int32_t OpenFrameFolder(const std::string& folder, int32_t conversion, StackSource* source, std::string* message)
{
    CloseStackSource(source);
    source->conversion = conversion;
    source->path = folder;
    const int32_t result = Guarded(message, [&] {
        const int32_t listed = ListFrameFolder(folder, &source->framePaths, message);
        return listed != CLI_OK ? listed : OpenFrameFilesBody(folder, source, message);
    });
    if (result != CLI_OK) {
        CloseStackSource(source);
    }
    return result;
}

int32_t OpenFrameList(const std::vector<std::string>& paths, int32_t conversion, StackSource* source,
                      std::string* message)
{
    CloseStackSource(source);
    source->conversion = conversion;
    const int32_t result = Guarded(message, [&] {
        source->framePaths = paths;
        source->path = paths.empty() ? std::string("the frame list") : paths[0];
        const std::string label = paths.size() == 1 ? paths[0] : std::string("the frame list");
        return OpenFrameFilesBody(label, source, message);
    });
    if (result != CLI_OK) {
        CloseStackSource(source);
    }
    return result;
}

int32_t OpenSampleStack(const SampleStackSettings& settings, StackSource* source, std::string* message)
{
    CloseStackSource(source);
    const int32_t result = CheckSampleStackSettings(settings, message);
    if (result != CLI_OK) {
        return result;
    }
    source->kind = STACK_SOURCE_SAMPLE;
    source->path = "the sample stack";
    source->sample = settings;
    source->info.width = settings.width;
    source->info.height = settings.height;
    source->info.frameCount = settings.frameCount;
    source->info.sampleKind = STACK_SAMPLE_GRAY8;
    source->info.calibration = SampleStackCalibration(settings);
    return CLI_OK;
}

int32_t OpenStackSource(const std::vector<std::string>& inputs, int32_t conversion, StackSource* source,
                        std::string* message)
{
    if (inputs.empty()) {
        return OpenSampleStack(SampleStackSettings(), source, message);
    }
    if (inputs.size() > 1) {
        return OpenFrameList(inputs, conversion, source, message);
    }
    std::error_code error;
    if (std::filesystem::is_directory(inputs[0], error)) {
        return OpenFrameFolder(inputs[0], conversion, source, message);
    }
    int32_t format = 0;
    const int32_t result = DetectFrameFileFormat(inputs[0], &format, message);
    if (result != CLI_OK) {
        CloseStackSource(source);
        return result;
    }
    if (format == FRAME_FILE_TIFF) {
        return OpenTiffStack(inputs[0], conversion, source, message);
    }
    return OpenFrameList(inputs, conversion, source, message);
}

int32_t ReadFrames(StackSource* source, int64_t first, int64_t count, uint8_t* destination, std::string* message)
{
    return Guarded(message, [&] { return ReadFramesBody(source, first, count, destination, message); });
}

void CloseStackSource(StackSource* source)
{
    if (source->tiff != nullptr) {
        TIFFClose(source->tiff);
    }
    *source = StackSource();
}
