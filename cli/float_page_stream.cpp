// A file of float pages of one size written back to back after a format's own head, page by page.
#include "cli/float_page_stream.h"

#include "cli/cli_errors.h"

int32_t OpenFloatPageStream(const std::string& path, uint32_t width, uint32_t height, int64_t pageCount,
                            FloatPageStream* stream, std::string* message)
{
    *stream = FloatPageStream();
    stream->width = width;
    stream->height = height;
    stream->pageCount = pageCount;
    return CreateOutputFile(path, &stream->file, message);
}

int32_t AppendFloatPages(FloatPageStream* stream, const float* pages, int64_t count, const char* announcedAs,
                         std::string* message)
{
    if (count < 0 || count > stream->pageCount - stream->pagesWritten) {
        *message = stream->file.finalPath + ": " + std::to_string(stream->pagesWritten + count) + " pages for " +
                   announcedAs + " announced with " + std::to_string(stream->pageCount);
        return CLI_ERR_ARGUMENT;
    }
    const size_t pageValues = static_cast<size_t>(stream->width) * stream->height;
    const uint64_t offset = stream->dataOffset + static_cast<uint64_t>(stream->pagesWritten) * pageValues * 4u;
    const int32_t result = WriteLittleEndianFloats(&stream->file, offset, pages, static_cast<size_t>(count) * pageValues,
                                                   message);
    if (result == CLI_OK) {
        stream->pagesWritten += count;
    }
    return result;
}

int32_t CloseFloatPageStream(FloatPageStream* stream, std::string* message)
{
    if (stream->pagesWritten != stream->pageCount) {
        *message = stream->file.finalPath + ": only " + std::to_string(stream->pagesWritten) + " of " +
                   std::to_string(stream->pageCount) + " pages were written; the file is not kept";
        AbortFloatPageStream(stream);
        return CLI_ERR_ARGUMENT;
    }
    const int32_t result = CommitOutputFile(&stream->file, message);
    *stream = FloatPageStream();
    return result;
}

void AbortFloatPageStream(FloatPageStream* stream)
{
    DiscardOutputFile(&stream->file);
    *stream = FloatPageStream();
}
