// Output files that appear under their name only when complete: written under a temporary name in
// the same folder, renamed on commit, removed on discard.
#pragma once
#include <cstdint>
#include <string>

struct OutputFile {
    int descriptor = -1;
    std::string finalPath;
    std::string temporaryPath;  // hidden: ".<name>.partXXXXXX" beside the final file
};

// Create the temporary file for `path`. Return 0, or CLI_ERR_WRITE with a message naming `path`.
int32_t CreateOutputFile(const std::string& path, OutputFile* file, std::string* message);

// Write `size` bytes at byte `offset`. Return 0, or CLI_ERR_WRITE (disk full and the like).
int32_t WriteOutputAt(OutputFile* file, uint64_t offset, const void* data, size_t size, std::string* message);

// Write `count` floats at byte `offset` as little-endian IEEE values. Return 0, or CLI_ERR_WRITE.
int32_t WriteLittleEndianFloats(OutputFile* file, uint64_t offset, const float* values, size_t count,
                                std::string* message);

// Close the temporary file and give it its final name, replacing an older file of that name.
// Return 0, or CLI_ERR_WRITE; on failure the temporary file is removed.
int32_t CommitOutputFile(OutputFile* file, std::string* message);

// Close and remove the temporary file; nothing of it remains. Safe on a file never created.
void DiscardOutputFile(OutputFile* file);

// Write a whole small file (a picture, say) the same careful way. Return 0, or CLI_ERR_WRITE.
int32_t WriteWholeOutputFile(const std::string& path, const void* data, size_t size, std::string* message);
