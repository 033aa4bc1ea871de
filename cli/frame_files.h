// Frames kept one per file: telling formats apart, listing a folder, reading PNG headers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum : int32_t { FRAME_FILE_TIFF = 1, FRAME_FILE_PNG = 2 };

// Tell a TIFF from a PNG by the first bytes of the file.
// Return 0, or CLI_ERR_NOT_FOUND, CLI_ERR_READ or CLI_ERR_UNSUPPORTED (neither) with a message naming the file.
int32_t DetectFrameFileFormat(const std::string& path, int32_t* format, std::string* message);

// List the PNG and TIFF files (.png, .tif, .tiff in any case; hidden files skipped) of `folder`,
// sorted by name with digit runs compared as numbers ("frame2" before "frame10").
// Return 0, or CLI_ERR_NOT_FOUND / CLI_ERR_READ.
int32_t ListFrameFolder(const std::string& folder, std::vector<std::string>* paths, std::string* message);

// The order ListFrameFolder sorts by.
bool NaturalNameLess(const std::string& left, const std::string& right);

// Read a PNG's size and sample kind from its header, without decoding the pixels.
// Return 0, or CLI_ERR_READ with a message naming the file.
int32_t ProbePngFrame(const std::string& path, uint32_t* width, uint32_t* height, int32_t* sampleKind,
                      std::string* message);
