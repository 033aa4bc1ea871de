// NumPy .npy files of float32 flow components, written pair by pair.
#pragma once
#include <cstdint>
#include <string>

#include "cli/float_page_stream.h"

// Format 1.0: descr '<f4', C order, shape (pairs, height, width); the header is padded to 64 bytes
// with spaces and a newline, since the final shape is known when the file is opened.
struct NpyWriter {
    FloatPageStream stream;
};

// Start `path` for `pageCount` pages of height x width floats. Return 0, or CLI_ERR_ARGUMENT / CLI_ERR_WRITE;
// on failure nothing is left on disk.
int32_t OpenNpyWriter(const std::string& path, int32_t width, int32_t height, int64_t pageCount, NpyWriter* writer,
                      std::string* message);

// Append `count` pages, each height rows of width floats. Return 0, or CLI_ERR_ARGUMENT / CLI_ERR_WRITE.
int32_t AppendNpyPages(NpyWriter* writer, const float* pages, int64_t count, std::string* message);

// Finish the file and give it its name. Return 0, or CLI_ERR_ARGUMENT if pages are missing, or
// CLI_ERR_WRITE; on failure the unfinished file is removed.
int32_t CloseNpyWriter(NpyWriter* writer, std::string* message);

// Give up the file: nothing of it remains. Safe on a closed or never-opened writer.
void AbortNpyWriter(NpyWriter* writer);

// The complete header (magic, version, length, dictionary, padding) for a float32 array of this shape.
std::string MakeNpyHeader(int64_t pageCount, int32_t height, int32_t width);
