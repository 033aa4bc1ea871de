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
    int32_t result = OpenFloatPageStream(path, static_cast<uint32_t>(width), static_cast<uint32_t>(height), pageCount,
                                         &writer->stream, message);
    if (result != CLI_OK) {
        return result;
    }
    const std::string header = MakeNpyHeader(pageCount, height, width);
    writer->stream.dataOffset = header.size();
    result = WriteOutputAt(&writer->stream.file, 0, header.data(), header.size(), message);
    if (result != CLI_OK) {
        AbortNpyWriter(writer);
    }
    return result;
}

int32_t AppendNpyPages(NpyWriter* writer, const float* pages, int64_t count, std::string* message)
{
    return AppendFloatPages(&writer->stream, pages, count, "an array", message);
}

int32_t CloseNpyWriter(NpyWriter* writer, std::string* message)
{
    return CloseFloatPageStream(&writer->stream, message);
}

void AbortNpyWriter(NpyWriter* writer)
{
    AbortFloatPageStream(&writer->stream);
}
