// A file's version resource: its size, a caller-owned copy of it, and queries of its values.
#pragma once

#include <cstddef>
#include <cstdint>

// The fixed part of a version block, returned for the query "\\".
struct PlatformFixedFileInfo {
    uint32_t signature;  // PLATFORM_FIXED_FILE_INFO_SIGNATURE
    uint32_t structVersion;
    uint32_t fileVersionMS;  // major << 16 | minor
    uint32_t fileVersionLS;  // build << 16 | revision
    uint32_t productVersionMS;
    uint32_t productVersionLS;
    uint32_t fileFlagsMask;
    uint32_t fileFlags;
    uint32_t fileOS;
    uint32_t fileType;  // PLATFORM_FILE_TYPE_
    uint32_t fileSubtype;
    uint32_t fileDateMS;
    uint32_t fileDateLS;
};
static_assert(sizeof(PlatformFixedFileInfo) == 52);
static_assert(offsetof(PlatformFixedFileInfo, signature) == 0);
static_assert(offsetof(PlatformFixedFileInfo, structVersion) == 4);
static_assert(offsetof(PlatformFixedFileInfo, fileVersionMS) == 8);
static_assert(offsetof(PlatformFixedFileInfo, fileVersionLS) == 12);
static_assert(offsetof(PlatformFixedFileInfo, productVersionMS) == 16);
static_assert(offsetof(PlatformFixedFileInfo, productVersionLS) == 20);
static_assert(offsetof(PlatformFixedFileInfo, fileFlagsMask) == 24);
static_assert(offsetof(PlatformFixedFileInfo, fileFlags) == 28);
static_assert(offsetof(PlatformFixedFileInfo, fileOS) == 32);
static_assert(offsetof(PlatformFixedFileInfo, fileType) == 36);
static_assert(offsetof(PlatformFixedFileInfo, fileSubtype) == 40);
static_assert(offsetof(PlatformFixedFileInfo, fileDateMS) == 44);
static_assert(offsetof(PlatformFixedFileInfo, fileDateLS) == 48);

constexpr uint32_t PLATFORM_FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD;
constexpr uint32_t PLATFORM_FILE_TYPE_APP = 1;
constexpr uint32_t PLATFORM_FILE_TYPE_DLL = 2;

// Id of the version resource the functions below read, in any language.
constexpr uint16_t PLATFORM_VERSION_RESOURCE_ID = 1;

// Returns the number of bytes PlatformGetFileVersionInfo needs for the file at `path`, or 0 when
// the file cannot be read or has no well-formed version resource.
uint32_t PlatformGetFileVersionInfoSize(const char* path) noexcept;

// Copies the version resource of the file at `path` into `block` (of `size` bytes, at least what
// PlatformGetFileVersionInfoSize gave), followed by the UTF-8 forms of its text values. Returns
// nonzero on success, 0 if the file has no well-formed version resource or the block is too small.
int32_t PlatformGetFileVersionInfo(const char* path, uint32_t size, void* block) noexcept;

// Finds a value in a block filled by PlatformGetFileVersionInfo. `subBlock` is a path of keys
// separated by backslashes, compared without regard to ASCII case: "\\" gives the
// PlatformFixedFileInfo (length 52), a text entry such as "\\StringFileInfo\\040904b0\\ProductName"
// gives NUL-terminated UTF-8 text inside the block (length in bytes, counting the NUL), and any
// other entry, such as "\\VarFileInfo\\Translation", gives its raw bytes (length in bytes). The
// value stays valid as long as the block. Returns nonzero on success, 0 if there is no such entry.
int32_t PlatformVerQueryValue(const void* block, const char* subBlock, const void** value, uint32_t* length) noexcept;
