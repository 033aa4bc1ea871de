// Reads one named section of an ELF64 little-endian file, header by header, without trusting any field.
#include "platform/elf_section.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// An open file and its length, against which every offset is checked.
struct ElfFile {
    int fd;
    uint64_t length;
};

// Where the section header table lies and which entry holds the section names.
struct ElfSectionTable {
    uint64_t offset;
    uint64_t entrySize;
    uint64_t count;
    uint64_t namesIndex;
};

// The fields of one section header that the reader uses.
struct ElfSection {
    uint32_t name;
    uint32_t type;
    uint64_t offset;
    uint64_t size;
    uint32_t link;
};

// Largest piece handed to one pread call.
constexpr uint64_t ELF_READ_CHUNK = uint64_t(1) << 30;

// Reads exactly `count` bytes at `offset`. Return 0 on success, or an error code if the range
// lies outside the file or the read fails.
int32_t ReadFileRange(const ElfFile& file, uint64_t offset, void* buffer, uint64_t count)
{
    if (offset > file.length || count > file.length - offset) return PLATFORM_ERROR_BAD_EXE_FORMAT;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        size_t chunk = size_t(count < ELF_READ_CHUNK ? count : ELF_READ_CHUNK);
        // offset + chunk stays within the file's length, which came from an off_t.
        ssize_t got = pread(file.fd, out, chunk, off_t(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return PLATFORM_ERROR_READ_FAULT;
        if (got == 0) return PLATFORM_ERROR_BAD_EXE_FORMAT;  // the file shrank under us
        out += got;
        offset += uint64_t(got);
        count -= uint64_t(got);
    }
    return 0;
}

// Reads section header `index`. Return 0 on success, or an error code if it lies outside the file.
int32_t ReadSection(const ElfFile& file, const ElfSectionTable& table, uint64_t index, ElfSection* section)
{
    uint8_t raw[sizeof(Elf64_Shdr)];
    int32_t err = ReadFileRange(file, table.offset + index * table.entrySize, raw, sizeof raw);
    if (err) return err;
    section->name = PlatformReadLE32(raw + offsetof(Elf64_Shdr, sh_name));
    section->type = PlatformReadLE32(raw + offsetof(Elf64_Shdr, sh_type));
    section->offset = PlatformReadLE64(raw + offsetof(Elf64_Shdr, sh_offset));
    section->size = PlatformReadLE64(raw + offsetof(Elf64_Shdr, sh_size));
    section->link = PlatformReadLE32(raw + offsetof(Elf64_Shdr, sh_link));
    return 0;
}

// Reads the file header and locates the section header table, following the extended numbering
// that keeps large counts in section 0. Return 0 on success, or an error code if the file is no
// well-formed ELF64 little-endian file or has no section names.
int32_t ReadSectionTable(const ElfFile& file, ElfSectionTable* table)
{
    uint8_t header[sizeof(Elf64_Ehdr)];
    if (file.length < sizeof header) return PLATFORM_ERROR_BAD_EXE_FORMAT;
    int32_t err = ReadFileRange(file, 0, header, sizeof header);
    if (err) return err;
    if (std::memcmp(header, ELFMAG, SELFMAG) != 0 || header[EI_CLASS] != ELFCLASS64 ||
        header[EI_DATA] != ELFDATA2LSB || header[EI_VERSION] != EV_CURRENT)
        return PLATFORM_ERROR_BAD_EXE_FORMAT;
    table->offset = PlatformReadLE64(header + offsetof(Elf64_Ehdr, e_shoff));
    table->entrySize = PlatformReadLE16(header + offsetof(Elf64_Ehdr, e_shentsize));
    table->count = PlatformReadLE16(header + offsetof(Elf64_Ehdr, e_shnum));
    table->namesIndex = PlatformReadLE16(header + offsetof(Elf64_Ehdr, e_shstrndx));
    if (table->offset == 0) return PLATFORM_ERROR_SECTION_NOT_FOUND;  // no section table at all
    if (table->entrySize < sizeof(Elf64_Shdr)) return PLATFORM_ERROR_BAD_EXE_FORMAT;
    if (table->count == 0 || table->namesIndex == SHN_XINDEX) {
        ElfSection first;
        err = ReadSection(file, *table, 0, &first);
        if (err) return err;
        if (table->count == 0) table->count = first.size;
        if (table->namesIndex == SHN_XINDEX) table->namesIndex = first.link;
    }
    // The whole table must lie inside the file; dividing avoids an overflowing product.
    if (table->offset > file.length || table->count > (file.length - table->offset) / table->entrySize)
        return PLATFORM_ERROR_BAD_EXE_FORMAT;
    if (table->namesIndex == SHN_UNDEF) return PLATFORM_ERROR_SECTION_NOT_FOUND;
    if (table->namesIndex >= table->count) return PLATFORM_ERROR_BAD_EXE_FORMAT;
    return 0;
}

// Compares the section name at `nameOffset` of the names section with `name` (of `nameLength`
// bytes). Return 0 with *same set on success, or an error code if the name lies outside the section.
int32_t SectionNameIs(const ElfFile& file, const ElfSection& names, uint32_t nameOffset, const char* name,
                      uint64_t nameLength, int* same)
{
    if (nameOffset >= names.size) return PLATFORM_ERROR_BAD_EXE_FORMAT;
    *same = 0;
    // A stored name shorter than the one asked for ends inside this window, or the window runs out.
    uint64_t available = names.size - nameOffset;
    uint64_t count = nameLength + 1 < available ? nameLength + 1 : available;
    char stored[PLATFORM_ELF_SECTION_NAME_MAX + 1];
    int32_t err = ReadFileRange(file, names.offset + nameOffset, stored, count);
    if (err) return err;
    *same = count == nameLength + 1 && std::memcmp(stored, name, nameLength + 1) == 0;
    return 0;
}

// Finds the section called `name` and reads its bytes into a new block. Return 0 on success, or
// an error code as PlatformReadElfSection states.
int32_t ReadNamedSection(const ElfFile& file, const char* name, uint64_t nameLength, uint8_t** data, uint32_t* size)
{
    ElfSectionTable table;
    int32_t err = ReadSectionTable(file, &table);
    if (err) return err;
    ElfSection names;
    err = ReadSection(file, table, table.namesIndex, &names);
    if (err) return err;
    if (names.type == SHT_NOBITS || names.offset > file.length || names.size > file.length - names.offset)
        return PLATFORM_ERROR_BAD_EXE_FORMAT;
    for (uint64_t index = 1; index < table.count; ++index) {
        ElfSection section;
        int same = 0;
        err = ReadSection(file, table, index, &section);
        if (!err) err = SectionNameIs(file, names, section.name, name, nameLength, &same);
        if (err) return err;
        if (!same) continue;
        if (section.type == SHT_NOBITS || section.size > UINT32_MAX) return PLATFORM_ERROR_BAD_EXE_FORMAT;
        if (section.offset > file.length || section.size > file.length - section.offset)
            return PLATFORM_ERROR_BAD_EXE_FORMAT;
        // One spare byte keeps an empty section's block a real allocation.
        uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size_t(section.size) + 1));
        if (!bytes) return PLATFORM_ERROR_NOT_ENOUGH_MEMORY;
        err = ReadFileRange(file, section.offset, bytes, section.size);
        if (err) {
            std::free(bytes);
            return err;
        }
        *data = bytes;
        *size = uint32_t(section.size);
        return 0;
    }
    return PLATFORM_ERROR_SECTION_NOT_FOUND;
}

// Maps the reason an open failed to the platform's error code.
int32_t OpenErrorCode(int error)
{
    if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG) return PLATFORM_ERROR_FILE_NOT_FOUND;
    if (error == EACCES || error == EPERM || error == EISDIR) return PLATFORM_ERROR_ACCESS_DENIED;
    return PLATFORM_ERROR_READ_FAULT;
}

}  // namespace

int32_t PlatformReadElfSection(const char* path, const char* name, uint8_t** data, uint32_t* size) noexcept
{
    if (!path || !name || !data || !size) return PLATFORM_ERROR_INVALID_PARAMETER;
    *data = nullptr;
    *size = 0;
    size_t nameLength = std::strlen(name);
    if (nameLength > PLATFORM_ELF_SECTION_NAME_MAX) return PLATFORM_ERROR_INVALID_PARAMETER;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return OpenErrorCode(errno);
    struct stat status;
    int32_t err = 0;
    if (fstat(fd, &status) != 0) err = PLATFORM_ERROR_READ_FAULT;
    else if (!S_ISREG(status.st_mode)) err = PLATFORM_ERROR_ACCESS_DENIED;
    else err = ReadNamedSection(ElfFile{fd, uint64_t(status.st_size)}, name, nameLength, data, size);
    close(fd);
    return err;
}

void PlatformFreeElfSection(uint8_t* data) noexcept
{
    std::free(data);
}
