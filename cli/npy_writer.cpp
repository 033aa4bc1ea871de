// NumPy .npy files of float32 flow components, written pair by pair.
#include "cli/npy_writer.h"


#include "cli/cli_errors.h"

namespace {

constexpr size_t NPY_PREAMBLE_BYTES = 10;  // magic (6), version (2), header length (2)
constexpr size_t NPY_ALIGNMENT = 64;

}  // namespace

std::string MakeNpyHeader(int64_t pageCount, int32_t height, int32_t width)
{
    std::string dictionary = "{'descr': '<f4', 'fortran_order': False, 'shape': (" + std::to_string(pageCount) +
                             ", " + std::to_string(height) + ", " + std::to_string(width) + "), }";
    const size_t unpadded = NPY_PREAMBLE_BYTES + dictionary.size() + 1;
    const size_t padded = (unpadded + NPY_ALIGNMENT - 1) / NPY_ALIGNMENT * NPY_ALIGNMENT;
    dictionary.append(padded - unpadded, ' ');
    dictionary.push_back('\n');
    const size_t headerLength = dictionary.size();
    std::string header = "\x93NUMPY";
    header.push_back('\x01');
    header.push_back('\x00');
    header.push_back(static_cast<char>(headerLength & 0xFF));
    header.push_back(static_cast<char>((headerLength >> 8) & 0xFF));
    return header + dictionary;
}

int32_t OpenNpyWriter(const std::string& path, int32_t width, int32_t height, int64_t pageCount, NpyWriter* writer,
                      std::string* message)
{
    *writer = NpyWriter();
    if (width <= 0 || height <= 0 || pageCount <= 0) {
        *message = path + ": a .npy array needs a positive width, height and page count";
        return CLI_ERR_ARGUMENT;
    }
    writer->width = width;
    writer->height = height;
    writer->pageCount = pageCount;
    int32_t result = CreateOutputFile(path, &writer->file, message);
    if (result != CLI_OK) {
        return result;
    }
    const std::string header = MakeNpyHeader(pageCount, height, width);
    writer->dataOffset = header.size();
    result = WriteOutputAt(&writer->file, 0, header.data(), header.size(), message);
    if (result != CLI_OK) {
        AbortNpyWriter(writer);
    }
    return result;
}

int32_t AppendNpyPages(NpyWriter* writer, const float* pages, int64_t count, std::string* message)
{
    if (count < 0 || count > writer->pageCount - writer->pagesWritten) {
        *message = writer->file.finalPath + ": " + std::to_string(writer->pagesWritten + count) +
                   " pages for an array announced with " + std::to_string(writer->pageCount);
        return CLI_ERR_ARGUMENT;
    }
    const size_t pageValues = static_cast<size_t>(writer->width) * static_cast<size_t>(writer->height);
    const uint64_t offset = writer->dataOffset + static_cast<uint64_t>(writer->pagesWritten) * pageValues * 4u;
    const int32_t result = WriteLittleEndianFloats(&writer->file, offset, pages, static_cast<size_t>(count) * pageValues,
                                                   message);
    if (result == CLI_OK) {
        writer->pagesWritten += count;
    }
    return result;
}

int32_t CloseNpyWriter(NpyWriter* writer, std::string* message)
{
    if (writer->pagesWritten != writer->pageCount) {
        *message = writer->file.finalPath + ": only " + std::to_string(writer->pagesWritten) + " of " +
                   std::to_string(writer->pageCount) + " pages were written; the file is not kept";
        AbortNpyWriter(writer);
        return CLI_ERR_ARGUMENT;
    }
    const int32_t result = CommitOutputFile(&writer->file, message);
    *writer = NpyWriter();
    return result;
}

void AbortNpyWriter(NpyWriter* writer)
{
    DiscardOutputFile(&writer->file);
    *writer = NpyWriter();
}
