// A file of float pages of one size written back to back after a format's own head, page by page.
#pragma once
#include <cstdint>
#include <string>

#include "cli/output_file.h"

// The pages start at byte `dataOffset`, each height rows of width little-endian floats; the writer of
// the format sets `dataOffset` once it has written its head.
struct FloatPageStream {
    OutputFile file;
    uint32_t width = 0;
    uint32_t height = 0;
    int64_t pageCount = 0;
    int64_t pagesWritten = 0;
    uint64_t dataOffset = 0;
};

// Start `path` for `pageCount` pages of width x height floats; the caller has checked the sizes.
// Return 0, or CLI_ERR_WRITE with a message.
int32_t OpenFloatPageStream(const std::string& path, uint32_t width, uint32_t height, int64_t pageCount,
                            FloatPageStream* stream, std::string* message);

// Append `count` pages after those already written. `announcedAs` names the file's content in the
// message for too many pages ("a stack", "an array"). Return 0, or CLI_ERR_ARGUMENT / CLI_ERR_WRITE.
int32_t AppendFloatPages(FloatPageStream* stream, const float* pages, int64_t count, const char* announcedAs,
                         std::string* message);

// Finish the file and give it its name. Return 0, or CLI_ERR_ARGUMENT if pages are missing, or
// CLI_ERR_WRITE; on failure the unfinished file is removed.
int32_t CloseFloatPageStream(FloatPageStream* stream, std::string* message);

// Give up the file: nothing of it remains. Safe on a closed or never-opened stream.
void AbortFloatPageStream(FloatPageStream* stream);
