// Reads one named section of an ELF64 little-endian file: the container that carries a module's resources.
#pragma once

#include <cstdint>

// Error codes of the platform's file and resource services, numbered like the system errors they stand for.
constexpr int32_t PLATFORM_ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t PLATFORM_ERROR_ACCESS_DENIED = 5;
constexpr int32_t PLATFORM_ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr int32_t PLATFORM_ERROR_READ_FAULT = 30;
constexpr int32_t PLATFORM_ERROR_INVALID_PARAMETER = 87;
constexpr int32_t PLATFORM_ERROR_BAD_EXE_FORMAT = 193;
// The file is a well-formed image without the section asked for (for .rsrc: "no resource section").
constexpr int32_t PLATFORM_ERROR_SECTION_NOT_FOUND = 1812;

// Longest section name the reader looks for.
constexpr uint32_t PLATFORM_ELF_SECTION_NAME_MAX = 255;

// Little-endian field readers shared by the file-format parsers of this layer; `p` needs no alignment.
inline uint16_t PlatformReadLE16(const uint8_t* p)
{
    return uint16_t(uint32_t(p[0]) | uint32_t(p[1]) << 8);
}

inline uint32_t PlatformReadLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint64_t PlatformReadLE64(const uint8_t* p)
{
    return uint64_t(PlatformReadLE32(p)) | uint64_t(PlatformReadLE32(p + 4)) << 32;
}

// Reads the bytes of the first section called `name` of the ELF64 little-endian file at `path` into a
// new block, freed with PlatformFreeElfSection. Every offset and size in the file is checked against
// the file's length. Return 0 on success, or a PLATFORM_ERROR_ code if the file cannot be opened or
// read, is not a well-formed ELF64 little-endian file, or has no such section.
int32_t PlatformReadElfSection(const char* path, const char* name, uint8_t** data, uint32_t* size) noexcept;

// Frees a block from PlatformReadElfSection; null is accepted and ignored.
void PlatformFreeElfSection(uint8_t* data) noexcept;
