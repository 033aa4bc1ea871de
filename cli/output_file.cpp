// Output files that appear under their name only when complete.
#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "cli/cli_errors.h"

int32_t CreateOutputFile(const std::string& path, OutputFile* file, std::string* message)
{
    *file = OutputFile();
    const std::filesystem::path target(path);
    const std::string name = target.filename().string();
    if (name.empty()) {
        *message = path + ": not a file name";
        return CLI_ERR_WRITE;
    }
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const std::string pattern = (folder / ("." + name + ".partXXXXXX")).string();
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        *message = path + ": cannot be created (" + std::strerror(errno) + ")";
        return CLI_ERR_WRITE;
    }
    // mkstemp makes the file private; give it the permissions an ordinary new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    file->descriptor = descriptor;
    file->finalPath = path;
    file->temporaryPath = temporary.data();
    return CLI_OK;
}

int32_t WriteOutputAt(OutputFile* file, uint64_t offset, const void* data, size_t size, std::string* message)
{
    if (file->descriptor < 0) {
        *message = file->finalPath + ": not open for writing";
        return CLI_ERR_WRITE;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        // Some systems refuse single writes beyond 2 GB, so large blocks go in pieces.
        const size_t piece = std::min<size_t>(size - done, size_t{1} << 30);
        const ssize_t written = pwrite(file->descriptor, bytes + done, piece, static_cast<off_t>(offset + done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            *message = file->finalPath + ": cannot be written (" +
                       (written < 0 ? std::string(std::strerror(errno)) : std::string("no progress")) + ")";
            return CLI_ERR_WRITE;
        }
        done += static_cast<size_t>(written);
    }
    return CLI_OK;
}

int32_t WriteLittleEndianFloats(OutputFile* file, uint64_t offset, const float* values, size_t count,
                                std::string* message)
{
    if constexpr (std::endian::native == std::endian::little) {
        return WriteOutputAt(file, offset, values, count * sizeof(float), message);
    }
    // Other byte orders go through a bounded buffer of swapped words.
    std::vector<uint32_t> swapped;
    const size_t block = size_t{1} << 18;
    for (size_t start = 0; start < count; start += block) {
        const size_t length = std::min(block, count - start);
        swapped.resize(length);
        std::memcpy(swapped.data(), values + start, length * sizeof(float));
        for (uint32_t& word : swapped) {
            word = (word >> 24) | ((word >> 8) & 0xFF00u) | ((word << 8) & 0xFF0000u) | (word << 24);
        }
        const int32_t result = WriteOutputAt(file, offset + start * sizeof(float), swapped.data(),
                                             length * sizeof(float), message);
        if (result != CLI_OK) {
            return result;
        }
    }
    return CLI_OK;
}

int32_t CommitOutputFile(OutputFile* file, std::string* message)
{
    if (file->descriptor < 0) {
        *message = file->finalPath + ": not open for writing";
        return CLI_ERR_WRITE;
    }
    const int closed = close(file->descriptor);
    file->descriptor = -1;
    if (closed != 0) {
        *message = file->finalPath + ": cannot be written (" + std::strerror(errno) + ")";
        DiscardOutputFile(file);
        return CLI_ERR_WRITE;
    }
    if (std::rename(file->temporaryPath.c_str(), file->finalPath.c_str()) != 0) {
        *message = file->finalPath + ": cannot be given its name (" + std::strerror(errno) + ")";
        DiscardOutputFile(file);
        return CLI_ERR_WRITE;
    }
    file->temporaryPath.clear();
    return CLI_OK;
}

void DiscardOutputFile(OutputFile* file)
{
    if (file->descriptor >= 0) {
        close(file->descriptor);
        file->descriptor = -1;
    }
    if (!file->temporaryPath.empty()) {
        unlink(file->temporaryPath.c_str());
        file->temporaryPath.clear();
    }
}

int32_t WriteWholeOutputFile(const std::string& path, const void* data, size_t size, std::string* message)
{
    OutputFile file;
    int32_t result = CreateOutputFile(path, &file, message);
    if (result == CLI_OK) {
        result = WriteOutputAt(&file, 0, data, size, message);
    }
    if (result == CLI_OK) {
        return CommitOutputFile(&file, message);
    }
    DiscardOutputFile(&file);
    return result;
}
