// Finds one resource among the compiled resources (.res entries) that a module file carries in its .rsrc section.
#pragma once

#include <cstdint>

#include "platform/elf_section.h"

// Name of the ELF section that holds a file's compiled resources.
constexpr const char* PLATFORM_RESOURCE_SECTION = ".rsrc";

// Resource type ordinal of a version block.
constexpr uint16_t PLATFORM_RT_VERSION = 16;

// Language argument that accepts the first resource of the type and id in any language.
constexpr uint32_t PLATFORM_LANGUAGE_ANY = 0x10000;

// Errors of the resource search, numbered like the system errors they stand for.
constexpr int32_t PLATFORM_ERROR_INVALID_DATA = 13;
constexpr int32_t PLATFORM_ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr int32_t PLATFORM_ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr int32_t PLATFORM_ERROR_RESOURCE_LANG_NOT_FOUND = 1815;

// Finds a resource in `image`, a sequence of compiled resource entries, by type, id and language.
// The type is `typeName` (ASCII, compared without regard to case) or, when typeName is null, the
// ordinal `typeOrdinal`; `id` is an ordinal; `language` is a language id or PLATFORM_LANGUAGE_ANY.
// On success *dataOffset and *dataSize give the resource's bytes within the image. Return 0 on
// success, PLATFORM_ERROR_RESOURCE_TYPE/NAME/LANG_NOT_FOUND if no entry matches (the most precise
// one), or PLATFORM_ERROR_INVALID_DATA if a malformed entry precedes any match.
int32_t PlatformFindResource(const uint8_t* image, uint32_t imageSize, const char* typeName, uint16_t typeOrdinal,
                             uint16_t id, uint32_t language, uint32_t* dataOffset, uint32_t* dataSize) noexcept;

// Reads one resource of the module file at `path` (arguments as PlatformFindResource) into a new
// block, freed with PlatformFreeResource. Return 0 on success, or a PLATFORM_ERROR_ code if the file
// cannot be read, has no resource section, or holds no such resource.
int32_t PlatformLoadResource(const char* path, const char* typeName, uint16_t typeOrdinal, uint16_t id,
                             uint32_t language, uint8_t** data, uint32_t* size) noexcept;

// Frees a block from PlatformLoadResource; null is accepted and ignored.
void PlatformFreeResource(uint8_t* data) noexcept;
