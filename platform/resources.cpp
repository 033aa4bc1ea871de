// Walks compiled resource entries (.res layout) to find one resource by type, id and language.
#include "platform/resources.h"

#include <cstdlib>
#include <cstring>

namespace {

// First word of an identifier that is an ordinal rather than a UTF-16 name.
constexpr uint16_t RESOURCE_ORDINAL_MARK = 0xFFFF;
// Bytes of DataSize and HeaderSize that open every entry.
constexpr uint32_t RESOURCE_SIZE_FIELDS = 8;
// Bytes of DataVersion, MemoryFlags, LanguageId, Version and Characteristics after the name.
constexpr uint32_t RESOURCE_FIXED_FIELDS = 16;
// Offset of LanguageId within those fixed fields.
constexpr uint32_t RESOURCE_LANGUAGE_FIELD = 6;

// One entry's identifiers and where its data and its successor lie, all as image offsets.
struct ResourceEntry {
    uint32_t typeAt;
    uint32_t nameAt;
    uint16_t language;
    uint32_t dataOffset;
    uint32_t dataSize;
    uint64_t next;
};

uint64_t AlignToDword(uint64_t offset)
{
    return (offset + 3) & ~uint64_t(3);
}

// Steps over the identifier (ordinal or NUL-terminated UTF-16 name) at `at`, which must end by
// `end`. Return 0 with *after set on success, or PLATFORM_ERROR_INVALID_DATA if it overruns.
int32_t SkipIdentifier(const uint8_t* image, uint64_t at, uint64_t end, uint64_t* after)
{
    if (at + 2 > end) return PLATFORM_ERROR_INVALID_DATA;
    if (PlatformReadLE16(image + at) == RESOURCE_ORDINAL_MARK) {
        if (at + 4 > end) return PLATFORM_ERROR_INVALID_DATA;
        *after = at + 4;
        return 0;
    }
    for (; at + 2 <= end; at += 2) {
        if (PlatformReadLE16(image + at) == 0) {
            *after = at + 2;
            return 0;
        }
    }
    return PLATFORM_ERROR_INVALID_DATA;
}

// Parses the entry at `at`. Return 0 on success, or PLATFORM_ERROR_INVALID_DATA if any part of it
// lies outside the image or its header.
int32_t ParseResourceEntry(const uint8_t* image, uint32_t imageSize, uint64_t at, ResourceEntry* entry)
{
    uint32_t dataSize = PlatformReadLE32(image + at);
    uint32_t headerSize = PlatformReadLE32(image + at + 4);
    if (headerSize < RESOURCE_SIZE_FIELDS + 8 + RESOURCE_FIXED_FIELDS) return PLATFORM_ERROR_INVALID_DATA;
    uint64_t headerEnd = at + headerSize;
    if (headerEnd > imageSize || dataSize > imageSize - headerEnd) return PLATFORM_ERROR_INVALID_DATA;
    uint64_t nameAt = 0, fixedAt = 0;
    int32_t err = SkipIdentifier(image, at + RESOURCE_SIZE_FIELDS, headerEnd, &nameAt);
    if (!err) err = SkipIdentifier(image, nameAt, headerEnd, &fixedAt);
    if (err) return err;
    // The fixed fields start on a DWORD boundary of the entry, which itself starts on one.
    fixedAt = AlignToDword(fixedAt);
    if (fixedAt + RESOURCE_FIXED_FIELDS > headerEnd) return PLATFORM_ERROR_INVALID_DATA;
    entry->typeAt = uint32_t(at + RESOURCE_SIZE_FIELDS);
    entry->nameAt = uint32_t(nameAt);
    entry->language = PlatformReadLE16(image + fixedAt + RESOURCE_LANGUAGE_FIELD);
    entry->dataOffset = uint32_t(headerEnd);
    entry->dataSize = dataSize;
    entry->next = AlignToDword(headerEnd + dataSize);
    return 0;
}

// Returns 1 when the identifier at `at` is the ordinal `ordinal`.
int IdentifierIsOrdinal(const uint8_t* image, uint32_t at, uint16_t ordinal)
{
    return PlatformReadLE16(image + at) == RESOURCE_ORDINAL_MARK && PlatformReadLE16(image + at + 2) == ordinal;
}

uint32_t FoldAscii(uint32_t c)
{
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

// Returns 1 when the identifier at `at` (already checked to be terminated) is the name `name`,
// ASCII letters compared without regard to case.
int IdentifierIsName(const uint8_t* image, uint32_t at, const char* name)
{
    if (PlatformReadLE16(image + at) == RESOURCE_ORDINAL_MARK) return 0;
    for (;; at += 2, ++name) {
        uint32_t unit = PlatformReadLE16(image + at);
        uint32_t wanted = uint8_t(*name);
        if (FoldAscii(unit) != FoldAscii(wanted)) return 0;
        if (unit == 0) return 1;
    }
}

}  // namespace

int32_t PlatformFindResource(const uint8_t* image, uint32_t imageSize, const char* typeName, uint16_t typeOrdinal,
                             uint16_t id, uint32_t language, uint32_t* dataOffset, uint32_t* dataSize) noexcept
{
    if ((!image && imageSize) || !dataOffset || !dataSize) return PLATFORM_ERROR_INVALID_PARAMETER;
    int32_t miss = PLATFORM_ERROR_RESOURCE_TYPE_NOT_FOUND;
    for (uint64_t at = 0; at + RESOURCE_SIZE_FIELDS <= imageSize;) {
        // Zero sizes cannot start an entry: they are the padding after the last one.
        if (PlatformReadLE64(image + at) == 0) break;
        ResourceEntry entry;
        int32_t err = ParseResourceEntry(image, imageSize, at, &entry);
        if (err) return err;
        at = entry.next;
        int typeMatches = typeName ? IdentifierIsName(image, entry.typeAt, typeName)
                                   : IdentifierIsOrdinal(image, entry.typeAt, typeOrdinal);
        if (!typeMatches) continue;
        if (miss == PLATFORM_ERROR_RESOURCE_TYPE_NOT_FOUND) miss = PLATFORM_ERROR_RESOURCE_NAME_NOT_FOUND;
        if (!IdentifierIsOrdinal(image, entry.nameAt, id)) continue;
        miss = PLATFORM_ERROR_RESOURCE_LANG_NOT_FOUND;
        if (language != PLATFORM_LANGUAGE_ANY && entry.language != language) continue;
        *dataOffset = entry.dataOffset;
        *dataSize = entry.dataSize;
        return 0;
    }
    return miss;
}

int32_t PlatformLoadResource(const char* path, const char* typeName, uint16_t typeOrdinal, uint16_t id,
                             uint32_t language, uint8_t** data, uint32_t* size) noexcept
{
    if (!path || !data || !size) return PLATFORM_ERROR_INVALID_PARAMETER;
    *data = nullptr;
    *size = 0;
    uint8_t* section = nullptr;
    uint32_t sectionSize = 0, offset = 0, length = 0;
    int32_t err = PlatformReadElfSection(path, PLATFORM_RESOURCE_SECTION, &section, &sectionSize);
    if (err) return err;
    err = PlatformFindResource(section, sectionSize, typeName, typeOrdinal, id, language, &offset, &length);
    if (err) {
        PlatformFreeElfSection(section);
        return err;
    }
    // The resource moves to the front of the section's block, which the caller then owns.
    std::memmove(section, section + offset, length);
    *data = section;
    *size = length;
    return 0;
}

void PlatformFreeResource(uint8_t* data) noexcept
{
    PlatformFreeElfSection(data);
}
