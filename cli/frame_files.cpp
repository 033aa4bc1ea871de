// Frames kept one per file: telling formats apart, listing a folder, reading PNG headers.
#include "cli/frame_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/cli_errors.h"
#include "cli/sample_kind.h"

namespace {

const char* const FRAME_EXTENSIONS[] = {".png", ".tif", ".tiff"};

const unsigned char PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Read up to `size` leading bytes of a file. Return 0, or CLI_ERR_NOT_FOUND / CLI_ERR_READ.
int32_t ReadFileStart(const std::string& path, unsigned char* bytes, size_t size, size_t* got, std::string* message)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        const bool missing = errno == ENOENT;
        *message = path + ": " + (missing ? std::string("no such file") : std::string(std::strerror(errno)));
        return missing ? CLI_ERR_NOT_FOUND : CLI_ERR_READ;
    }
    *got = std::fread(bytes, 1, size, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *message = path + ": cannot be read";
        return CLI_ERR_READ;
    }
    return CLI_OK;
}

uint32_t BigEndian32(const unsigned char* bytes)
{
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

bool HasFrameExtension(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    for (const char* extension : FRAME_EXTENSIONS) {
        const size_t length = std::strlen(extension);
        if (lower.size() > length && lower.compare(lower.size() - length, length, extension) == 0) {
            return true;
        }
    }
    return false;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

int32_t DetectFrameFileFormat(const std::string& path, int32_t* format, std::string* message)
{
    unsigned char start[8] = {};
    size_t got = 0;
    const int32_t result = ReadFileStart(path, start, sizeof start, &got, message);
    if (result != CLI_OK) {
        return result;
    }
    // Classic TIFF ("II*\0", "MM\0*") and BigTIFF ("II+\0", "MM\0+").
    if (got >= 4 && ((start[0] == 'I' && start[1] == 'I' && (start[2] == 42 || start[2] == 43) && start[3] == 0) ||
                     (start[0] == 'M' && start[1] == 'M' && start[2] == 0 && (start[3] == 42 || start[3] == 43)))) {
        *format = FRAME_FILE_TIFF;
        return CLI_OK;
    }
    if (got == 8 && std::memcmp(start, PNG_SIGNATURE, 8) == 0) {
        *format = FRAME_FILE_PNG;
        return CLI_OK;
    }
    *message = path + ": neither a TIFF nor a PNG file";
    return CLI_ERR_UNSUPPORTED;
}

bool NaturalNameLess(const std::string& left, const std::string& right)
{
    size_t i = 0;
    size_t j = 0;
    while (i < left.size() && j < right.size()) {
        if (IsDigit(left[i]) && IsDigit(right[j])) {
            // Compare digit runs by value: skip leading zeros, then the longer run is larger.
            size_t leftStart = i;
            size_t rightStart = j;
            while (leftStart < left.size() && left[leftStart] == '0') {
                ++leftStart;
            }
            while (rightStart < right.size() && right[rightStart] == '0') {
                ++rightStart;
            }
            size_t leftEnd = leftStart;
            size_t rightEnd = rightStart;
            while (leftEnd < left.size() && IsDigit(left[leftEnd])) {
                ++leftEnd;
            }
            while (rightEnd < right.size() && IsDigit(right[rightEnd])) {
                ++rightEnd;
            }
            const size_t leftDigits = leftEnd - leftStart;
            const size_t rightDigits = rightEnd - rightStart;
            if (leftDigits != rightDigits) {
                return leftDigits < rightDigits;
            }
            const int order = left.compare(leftStart, leftDigits, right, rightStart, rightDigits);
            if (order != 0) {
                return order < 0;
            }
            // Equal values: fewer leading zeros first, so the order stays total.
            if (leftStart - i != rightStart - j) {
                return leftStart - i < rightStart - j;
            }
            i = leftEnd;
            j = rightEnd;
            continue;
        }
        if (left[i] != right[j]) {
            return static_cast<unsigned char>(left[i]) < static_cast<unsigned char>(right[j]);
        }
        ++i;
        ++j;
    }
    return left.size() - i < right.size() - j;
}

int32_t ListFrameFolder(const std::string& folder, std::vector<std::string>* paths, std::string* message)
{
    paths->clear();
    std::error_code error;
    if (!std::filesystem::exists(folder, error)) {
        *message = folder + ": no such file or folder";
        return CLI_ERR_NOT_FOUND;
    }
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        *message = folder + ": cannot be listed (" + error.message() + ")";
        return CLI_ERR_READ;
    }
    std::vector<std::string> names;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error) {
            *message = folder + ": cannot be listed (" + error.message() + ")";
            return CLI_ERR_READ;
        }
        const std::string name = entries->path().filename().string();
        std::error_code kindError;
        if (!name.empty() && name[0] != '.' && HasFrameExtension(name) && entries->is_regular_file(kindError)) {
            names.push_back(name);
        }
    }
    if (error) {
        *message = folder + ": cannot be listed (" + error.message() + ")";
        return CLI_ERR_READ;
    }
    std::sort(names.begin(), names.end(), NaturalNameLess);
    const std::filesystem::path base(folder);
    for (const std::string& name : names) {
        paths->push_back((base / name).string());
    }
    return CLI_OK;
}

int32_t ProbePngFrame(const std::string& path, uint32_t* width, uint32_t* height, int32_t* sampleKind,
                      std::string* message)
{
    // Signature, then the IHDR chunk: length, "IHDR", width, height, bit depth, colour type.
    unsigned char header[26] = {};
    size_t got = 0;
    const int32_t result = ReadFileStart(path, header, sizeof header, &got, message);
    if (result != CLI_OK) {
        return result;
    }
    if (got < sizeof header || std::memcmp(header, PNG_SIGNATURE, 8) != 0 || std::memcmp(header + 12, "IHDR", 4) != 0) {
        *message = path + ": not a readable PNG file";
        return CLI_ERR_READ;
    }
    *width = BigEndian32(header + 16);
    *height = BigEndian32(header + 20);
    const unsigned depth = header[24];
    const unsigned colourType = header[25];
    if (*width == 0 || *height == 0 || *width > 0x7FFFFFFFu || *height > 0x7FFFFFFFu) {
        *message = path + ": not a readable PNG file (bad size)";
        return CLI_ERR_READ;
    }
    const bool wide = depth == 16;
    switch (colourType) {
    case 0:  // grayscale; depths below 8 are widened to 8 bits when decoded
        *sampleKind = wide ? STACK_SAMPLE_GRAY16 : STACK_SAMPLE_GRAY8;
        return CLI_OK;
    case 3:  // palette: decoded as colour
        *sampleKind = STACK_SAMPLE_COLOUR8;
        return CLI_OK;
    case 2:  // RGB
    case 4:  // grayscale with alpha: decoded as colour with alpha
    case 6:  // RGB with alpha
        *sampleKind = wide ? STACK_SAMPLE_COLOUR16 : STACK_SAMPLE_COLOUR8;
        return CLI_OK;
    default:
        *message = path + ": PNG colour type " + std::to_string(colourType) + " is not valid";
        return CLI_ERR_READ;
    }
}
