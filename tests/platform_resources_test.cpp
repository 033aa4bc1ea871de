// Tests of the platform's module files, resources and version information: the module's own
// resources as Tavra reads them, the test executable's version block as the host version fallback
// reads it, and files built here with broken headers, entries and version trees.
#include <dlfcn.h>
#include <elf.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/elf_section.h"
#include "platform/module_file.h"
#include "platform/resources.h"
#include "platform/version_info.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t LANGUAGE_US_ENGLISH = 1033;
constexpr uint16_t LANGUAGE_GERMAN = 1031;
constexpr uint16_t MODULE_RESOURCE_ID = 1100;
constexpr uint16_t RESOURCE_ORDINAL_MARK = 0xFFFF;

// ---- byte helpers ----

void PutLE(Bytes& bytes, size_t at, uint64_t value, int width)
{
    for (int i = 0; i < width; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

void AppendLE(Bytes& bytes, uint64_t value, int width)
{
    bytes.resize(bytes.size() + width);
    PutLE(bytes, bytes.size() - width, value, width);
}

void PadToDword(Bytes& bytes)
{
    while (bytes.size() % 4) bytes.push_back(0);
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// UTF-16 little-endian units of `text`, with a terminating NUL.
Bytes Utf16(const std::u16string& text)
{
    Bytes bytes;
    for (char16_t unit : text) AppendLE(bytes, unit, 2);
    AppendLE(bytes, 0, 2);
    return bytes;
}

Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// ---- builders of files the tests feed to the platform ----

struct ElfSectionContent {
    std::string name;
    Bytes bytes;
};

// A minimal ELF64 little-endian file: header, the sections' bytes, a names section, and the section
// table (null entry, the given sections in order, the names section last).
Bytes MakeElf(const std::vector<ElfSectionContent>& sections)
{
    Bytes elf(sizeof(Elf64_Ehdr), 0);
    std::memcpy(elf.data(), ELFMAG, SELFMAG);
    elf[EI_CLASS] = ELFCLASS64;
    elf[EI_DATA] = ELFDATA2LSB;
    elf[EI_VERSION] = EV_CURRENT;
    PutLE(elf, offsetof(Elf64_Ehdr, e_type), ET_DYN, 2);
    PutLE(elf, offsetof(Elf64_Ehdr, e_machine), EM_X86_64, 2);
    PutLE(elf, offsetof(Elf64_Ehdr, e_version), EV_CURRENT, 4);
    PutLE(elf, offsetof(Elf64_Ehdr, e_ehsize), sizeof(Elf64_Ehdr), 2);
    Bytes names(1, 0);
    std::vector<std::pair<uint64_t, uint64_t>> placed;  // name offset, file offset
    for (const ElfSectionContent& section : sections) {
        placed.emplace_back(names.size(), elf.size());
        names.insert(names.end(), section.name.begin(), section.name.end());
        names.push_back(0);
        elf.insert(elf.end(), section.bytes.begin(), section.bytes.end());
        while (elf.size() % 8) elf.push_back(0);
    }
    uint64_t namesName = names.size();
    const std::string namesTitle = ".shstrtab";
    names.insert(names.end(), namesTitle.begin(), namesTitle.end());
    names.push_back(0);
    uint64_t namesOffset = elf.size();
    elf.insert(elf.end(), names.begin(), names.end());
    while (elf.size() % 8) elf.push_back(0);
    uint64_t tableOffset = elf.size();
    size_t count = sections.size() + 2;
    elf.resize(elf.size() + count * sizeof(Elf64_Shdr), 0);
    auto header = [&](size_t index, uint64_t name, uint32_t type, uint64_t offset, uint64_t size) {
        size_t at = tableOffset + index * sizeof(Elf64_Shdr);
        PutLE(elf, at + offsetof(Elf64_Shdr, sh_name), name, 4);
        PutLE(elf, at + offsetof(Elf64_Shdr, sh_type), type, 4);
        PutLE(elf, at + offsetof(Elf64_Shdr, sh_offset), offset, 8);
        PutLE(elf, at + offsetof(Elf64_Shdr, sh_size), size, 8);
    };
    for (size_t i = 0; i < sections.size(); ++i)
        header(i + 1, placed[i].first, SHT_PROGBITS, placed[i].second, sections[i].bytes.size());
    header(count - 1, namesName, SHT_STRTAB, namesOffset, names.size());
    PutLE(elf, offsetof(Elf64_Ehdr, e_shoff), tableOffset, 8);
    PutLE(elf, offsetof(Elf64_Ehdr, e_shentsize), sizeof(Elf64_Shdr), 2);
    PutLE(elf, offsetof(Elf64_Ehdr, e_shnum), count, 2);
    PutLE(elf, offsetof(Elf64_Ehdr, e_shstrndx), count - 1, 2);
    return elf;
}

// File offset of a field of section header `index` of an ELF file built by MakeElf.
size_t SectionField(const Bytes& elf, size_t index, size_t field)
{
    return size_t(PlatformReadLE64(elf.data() + offsetof(Elf64_Ehdr, e_shoff))) + index * sizeof(Elf64_Shdr) + field;
}

// Appends an identifier: the UTF-16 name, or the ordinal when the name is empty.
void AppendIdentifier(Bytes& bytes, const std::u16string& name, uint16_t ordinal)
{
    if (name.empty()) {
        AppendLE(bytes, RESOURCE_ORDINAL_MARK, 2);
        AppendLE(bytes, ordinal, 2);
        return;
    }
    Bytes units = Utf16(name);
    bytes.insert(bytes.end(), units.begin(), units.end());
}

// Appends one compiled resource entry with an ordinal id.
void AppendResource(Bytes& image, const std::u16string& typeName, uint16_t typeOrdinal, uint16_t id,
                    uint16_t language, const Bytes& data)
{
    Bytes header;
    AppendLE(header, data.size(), 4);
    AppendLE(header, 0, 4);  // header size, set below
    AppendIdentifier(header, typeName, typeOrdinal);
    AppendIdentifier(header, u"", id);
    PadToDword(header);
    AppendLE(header, 0, 4);     // data version
    AppendLE(header, 0x30, 2);  // memory flags
    AppendLE(header, language, 2);
    AppendLE(header, 0, 4);  // version
    AppendLE(header, 0, 4);  // characteristics
    PutLE(header, 4, header.size(), 4);
    image.insert(image.end(), header.begin(), header.end());
    image.insert(image.end(), data.begin(), data.end());
    PadToDword(image);
}

// The empty entry that opens every compiled resource file.
Bytes ResourceImage()
{
    Bytes image;
    AppendResource(image, u"", 0, 0, 0, {});
    return image;
}

// One node of a version tree; `valueLength` is in units for text nodes (type 1), else in bytes.
Bytes VersionNode(const std::u16string& key, uint16_t type, const Bytes& value, uint16_t valueLength,
                  const std::vector<Bytes>& children = {})
{
    Bytes node;
    AppendLE(node, 0, 2);
    AppendLE(node, valueLength, 2);
    AppendLE(node, type, 2);
    Bytes units = Utf16(key);
    node.insert(node.end(), units.begin(), units.end());
    PadToDword(node);
    node.insert(node.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        PadToDword(node);
        node.insert(node.end(), child.begin(), child.end());
    }
    PutLE(node, 0, node.size(), 2);
    return node;
}

Bytes TextNode(const std::u16string& key, const std::u16string& text)
{
    Bytes value = Utf16(text);
    return VersionNode(key, 1, value, uint16_t(value.size() / 2));
}

Bytes FixedInfo(uint32_t fileVersionMS, uint32_t fileVersionLS)
{
    Bytes info;
    uint32_t fields[13] = {PLATFORM_FIXED_FILE_INFO_SIGNATURE, 0x10000, fileVersionMS, fileVersionLS, 0, 0, 0x3F, 0,
                           0x40004, PLATFORM_FILE_TYPE_DLL, 0, 0, 0};
    for (uint32_t field : fields) AppendLE(info, field, 4);
    return info;
}

// A version tree with one string table holding `strings`.
Bytes VersionTree(const Bytes& fixedInfo, const std::vector<Bytes>& strings)
{
    Bytes translation;
    AppendLE(translation, 0x0409, 2);
    AppendLE(translation, 0x04B0, 2);
    Bytes table = VersionNode(u"040904b0", 1, {}, 0, strings);
    Bytes stringInfo = VersionNode(u"StringFileInfo", 1, {}, 0, {table});
    Bytes varInfo = VersionNode(u"VarFileInfo", 1, {}, 0, {VersionNode(u"Translation", 0, translation, 4)});
    return VersionNode(u"VS_VERSION_INFO", 0, fixedInfo, uint16_t(fixedInfo.size()), {stringInfo, varInfo});
}

// An ELF file whose .rsrc section holds `tree` as its version resource.
Bytes ElfWithVersion(const Bytes& tree)
{
    Bytes image = ResourceImage();
    AppendResource(image, u"", PLATFORM_RT_VERSION, PLATFORM_VERSION_RESOURCE_ID, LANGUAGE_US_ENGLISH, tree);
    return MakeElf({{".text", Bytes(16, 0x90)}, {".rsrc", image}});
}

// ---- readers through the platform ----

struct LoadedResource {
    int32_t err;
    Bytes bytes;
};

LoadedResource Load(const std::string& path, const char* typeName, uint16_t typeOrdinal, uint16_t id,
                    uint32_t language)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    LoadedResource loaded{PlatformLoadResource(path.c_str(), typeName, typeOrdinal, id, language, &data, &size), {}};
    if (loaded.err == 0) loaded.bytes.assign(data, data + size);
    PlatformFreeResource(data);
    return loaded;
}

// The block PlatformGetFileVersionInfo fills for `path`; empty when either call fails.
Bytes ReadVersionBlock(const std::string& path)
{
    uint32_t size = PlatformGetFileVersionInfoSize(path.c_str());
    Bytes block(size, 0xCD);
    if (size == 0 || !PlatformGetFileVersionInfo(path.c_str(), size, block.data())) return {};
    return block;
}

// The fixed file information of a version block; signature 0 when the query fails.
PlatformFixedFileInfo QueryFixedInfo(const Bytes& block)
{
    PlatformFixedFileInfo info{};
    const void* value = nullptr;
    uint32_t length = 0;
    if (PlatformVerQueryValue(block.data(), "\\", &value, &length) && length == sizeof info)
        std::memcpy(&info, value, sizeof info);
    return info;
}

// A text value of a version block, or "<missing>"; checks that the length counts the text and its NUL.
std::string QueryText(const Bytes& block, const char* subBlock)
{
    const void* value = nullptr;
    uint32_t length = 0;
    if (!PlatformVerQueryValue(block.data(), subBlock, &value, &length)) return "<missing>";
    std::string text(static_cast<const char*>(value));
    EXPECT_EQ(length, text.size() + 1) << subBlock;
    return text;
}

Bytes QueryBytes(const Bytes& block, const char* subBlock)
{
    const void* value = nullptr;
    uint32_t length = 0;
    if (!PlatformVerQueryValue(block.data(), subBlock, &value, &length)) return {};
    const uint8_t* bytes = static_cast<const uint8_t*>(value);
    return Bytes(bytes, bytes + length);
}

std::string ModuleFileName(void* module)
{
    char path[4096];
    uint32_t length = PlatformGetModuleFileName(module, path, sizeof path);
    return length ? std::string(path, length) : std::string();
}

// A scratch folder for files a test writes, removed afterwards.
class PlatformResourcesFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("drevlin_platform_resources_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Write(const std::string& name, const Bytes& bytes)
    {
        std::string path = (folder / name).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    std::filesystem::path folder;
};

// ---- the module file's resources ----

TEST(PlatformResourcesModule, OperationListIsByteExact)
{
    LoadedResource list = Load(DREVLIN_ZEK_PATH, "ZEKC", 0, MODULE_RESOURCE_ID, LANGUAGE_US_ENGLISH);
    ASSERT_EQ(list.err, 0);
    Bytes expected = Text("DrevlinFarneback");
    expected.insert(expected.end(), {0x00, 0x62, 0x00});
    Bytes dis = Text("DrevlinDIS");
    expected.insert(expected.end(), dis.begin(), dis.end());
    expected.insert(expected.end(), {0x00, 0x62, 0x00, 0x00});
    EXPECT_EQ(list.bytes, expected);
}

TEST(PlatformResourcesModule, ErrorMessageListEndsWithEmptyText)
{
    LoadedResource list = Load(DREVLIN_ZEK_PATH, "STR#", 0, MODULE_RESOURCE_ID, LANGUAGE_US_ENGLISH);
    ASSERT_EQ(list.err, 0);
    std::vector<std::string> texts;
    size_t at = 0;
    while (at < list.bytes.size()) {
        auto end = std::find(list.bytes.begin() + at, list.bytes.end(), 0);
        ASSERT_NE(end, list.bytes.end()) << "text " << texts.size() << " has no NUL";
        texts.emplace_back(list.bytes.begin() + at, end);
        at = size_t(end - list.bytes.begin()) + 1;
        if (texts.back().empty()) break;
    }
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts.front(), "Drevlin requires Tavra 8.00 or later.");
    EXPECT_EQ(texts.back(), "");
    EXPECT_EQ(at, list.bytes.size()) << "bytes follow the empty text";
}

TEST(PlatformResourcesModule, ModuleInformationWords)
{
    LoadedResource info = Load(DREVLIN_ZEK_PATH, "ZEKI", 0, MODULE_RESOURCE_ID, LANGUAGE_US_ENGLISH);
    ASSERT_EQ(info.err, 0);
    EXPECT_EQ(info.bytes, (Bytes{4, 0, 0, 0, 2, 0, 0, 0, 0x22, 0x03}));
}

TEST(PlatformResourcesModule, VersionBlock)
{
    LoadedResource raw = Load(DREVLIN_ZEK_PATH, nullptr, PLATFORM_RT_VERSION, 1, LANGUAGE_US_ENGLISH);
    ASSERT_EQ(raw.err, 0) << "the version block is US English, id 1";
    Bytes block = ReadVersionBlock(DREVLIN_ZEK_PATH);
    ASSERT_FALSE(block.empty());

    PlatformFixedFileInfo info = QueryFixedInfo(block);
    EXPECT_EQ(info.signature, PLATFORM_FIXED_FILE_INFO_SIGNATURE);
    EXPECT_EQ(info.fileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(info.fileVersionLS, 0x00020000u);  // .2.0
    EXPECT_EQ(info.productVersionMS, 0x00080000u);
    EXPECT_EQ(info.productVersionLS, 0x00000000u);
    EXPECT_EQ(info.fileType, PLATFORM_FILE_TYPE_DLL);
    EXPECT_EQ(info.fileOS, 0x40004u);
    EXPECT_EQ(info.fileFlagsMask, 0x3Fu);
    EXPECT_EQ(info.fileFlags, 0u);

    const struct {
        const char* key;
        const char* text;
    } strings[] = {
        {"FileVersion", "1, 0, 2, 0"},       {"ProductVersion", "8, 0, 0, 0"},
        {"InternalName", "Drevlin"},         {"OriginalFilename", "Drevlin.zek"},
        {"ProductName", "Tavra Drevlin"},
    };
    for (const auto& string : strings)
        EXPECT_EQ(QueryText(block, ("\\StringFileInfo\\040904b0\\" + std::string(string.key)).c_str()), string.text);
    for (const char* key : {"Comments", "FileDescription"}) {
        std::string text = QueryText(block, ("\\StringFileInfo\\040904b0\\" + std::string(key)).c_str());
        EXPECT_NE(text.find("Tavra"), std::string::npos) << key << ": " << text;
    }
    EXPECT_EQ(QueryBytes(block, "\\VarFileInfo\\Translation"), (Bytes{0x09, 0x04, 0xB0, 0x04}));
}

TEST(PlatformResourcesModule, LookupByTypeIdAndLanguage)
{
    const struct {
        const char* what;
        const char* typeName;
        uint16_t typeOrdinal;
        uint16_t id;
        uint32_t language;
        int32_t err;
    } cases[] = {
        {"type names ignore ASCII case", "zekc", 0, MODULE_RESOURCE_ID, LANGUAGE_US_ENGLISH, 0},
        {"any language", "ZEKI", 0, MODULE_RESOURCE_ID, PLATFORM_LANGUAGE_ANY, 0},
        {"unknown type", "ZEKX", 0, MODULE_RESOURCE_ID, LANGUAGE_US_ENGLISH, PLATFORM_ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"name prefix is no match", "ZEK", 0, MODULE_RESOURCE_ID, LANGUAGE_US_ENGLISH,
         PLATFORM_ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"unknown id", "ZEKC", 0, 1101, LANGUAGE_US_ENGLISH, PLATFORM_ERROR_RESOURCE_NAME_NOT_FOUND},
        {"unknown language", "ZEKC", 0, MODULE_RESOURCE_ID, LANGUAGE_GERMAN, PLATFORM_ERROR_RESOURCE_LANG_NOT_FOUND},
        {"version block has id 1 only", nullptr, PLATFORM_RT_VERSION, MODULE_RESOURCE_ID, PLATFORM_LANGUAGE_ANY,
         PLATFORM_ERROR_RESOURCE_NAME_NOT_FOUND},
        {"no icon ordinal", nullptr, 3, 1, PLATFORM_LANGUAGE_ANY, PLATFORM_ERROR_RESOURCE_TYPE_NOT_FOUND},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Load(DREVLIN_ZEK_PATH, c.typeName, c.typeOrdinal, c.id, c.language).err, c.err) << c.what;
}

// ---- module file names and the host version fallback ----

TEST(PlatformResourcesHost, ExecutableVersionThroughItsModuleHandle)
{
    void* executable = dlopen(nullptr, RTLD_LAZY);
    ASSERT_NE(executable, nullptr);
    char path[256];
    uint32_t length = PlatformGetModuleFileName(executable, path, sizeof path);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof path);
    EXPECT_EQ(std::string(path), std::filesystem::canonical("/proc/self/exe").string());

    Bytes block = ReadVersionBlock(path);
    ASSERT_FALSE(block.empty());
    PlatformFixedFileInfo info = QueryFixedInfo(block);
    EXPECT_EQ(info.fileVersionMS, 0x00080000u);  // 8.0
    EXPECT_EQ(info.fileVersionLS, 0x00040000u);  // .4.0
    EXPECT_EQ(info.fileType, PLATFORM_FILE_TYPE_APP);
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904b0\\ProductName"), "Tavra");
    dlclose(executable);
}

TEST(PlatformResourcesModuleFile, NamesALoadedModule)
{
    const std::filesystem::path zek = std::filesystem::canonical(DREVLIN_ZEK_PATH);
    void* module = dlopen(zek.c_str(), RTLD_LAZY | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    EXPECT_EQ(ModuleFileName(module), zek.string());
    dlclose(module);

    // Loaded by a relative name, the module still reports its full path.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(zek.parent_path());
    module = dlopen(("./" + zek.filename().string()).c_str(), RTLD_LAZY | RTLD_LOCAL);
    std::filesystem::current_path(before);
    ASSERT_NE(module, nullptr) << dlerror();
    EXPECT_EQ(ModuleFileName(module), zek.string());
    dlclose(module);
}

TEST(PlatformResourcesModuleFile, CutsTheNameToTheBuffer)
{
    void* executable = dlopen(nullptr, RTLD_LAZY);
    const std::string full = std::filesystem::canonical("/proc/self/exe").string();
    const uint32_t n = uint32_t(full.size());
    const struct {
        uint32_t size;
        uint32_t result;
        std::string text;
    } cases[] = {
        {n + 10, n, full},
        {n + 1, n, full},
        {n, n, full.substr(0, n - 1)},  // cut: the result is the buffer size, as the system does
        {2, 2, full.substr(0, 1)},
        {1, 1, ""},
    };
    for (const auto& c : cases) {
        std::string buffer(n + 16, '#');
        EXPECT_EQ(PlatformGetModuleFileName(executable, buffer.data(), c.size), c.result) << "size " << c.size;
        EXPECT_EQ(std::string(buffer.c_str()), c.text) << "size " << c.size;
        EXPECT_EQ(buffer[c.size], '#') << "wrote past the buffer of size " << c.size;
    }
    char untouched = '#';
    EXPECT_EQ(PlatformGetModuleFileName(executable, &untouched, 0), 0u);
    EXPECT_EQ(untouched, '#');
    dlclose(executable);
}

TEST(PlatformResourcesModuleFile, RefusesNullAndStrayHandles)
{
    char path[256] = "unchanged";
    int notAModule = 0;
    void* executable = dlopen(nullptr, RTLD_LAZY);
    EXPECT_EQ(PlatformGetModuleFileName(nullptr, path, sizeof path), 0u);
    EXPECT_EQ(PlatformGetModuleFileName(&notAModule, path, sizeof path), 0u);
    EXPECT_EQ(PlatformGetModuleFileName(executable, nullptr, sizeof path), 0u);
    dlclose(executable);
}

// ---- failures reading files ----

TEST_F(PlatformResourcesFiles, FileFailures)
{
    Bytes zek = ReadFileBytes(DREVLIN_ZEK_PATH);
    ASSERT_GT(zek.size(), 4096u);
    const struct {
        const char* what;
        std::string path;
        int32_t err;
    } cases[] = {
        {"missing file", (folder / "absent.zek").string(), PLATFORM_ERROR_FILE_NOT_FOUND},
        {"missing folder", (folder / "absent" / "x.zek").string(), PLATFORM_ERROR_FILE_NOT_FOUND},
        {"a folder", folder.string(), PLATFORM_ERROR_ACCESS_DENIED},
        {"empty file", Write("empty.zek", {}), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"not an ELF file", Write("text.zek", Text(std::string(200, 'x'))), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"ELF file without .rsrc", Write("plain.zek", MakeElf({{".text", Bytes(32, 0xC3)}})),
         PLATFORM_ERROR_SECTION_NOT_FOUND},
        {"truncated module file", Write("cut.zek", Bytes(zek.begin(), zek.begin() + zek.size() / 2)),
         PLATFORM_ERROR_BAD_EXE_FORMAT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Load(c.path, "ZEKC", 0, MODULE_RESOURCE_ID, LANGUAGE_US_ENGLISH).err, c.err) << c.what;
        EXPECT_EQ(PlatformGetFileVersionInfoSize(c.path.c_str()), 0u) << c.what;
        uint8_t block[64] = {};
        EXPECT_EQ(PlatformGetFileVersionInfo(c.path.c_str(), sizeof block, block), 0) << c.what;
    }
    EXPECT_EQ(PlatformGetFileVersionInfoSize(Write("no_version.zek", MakeElf({{".rsrc", ResourceImage()}})).c_str()),
              0u)
        << "resource section without a version block";
}

TEST(PlatformResourcesVersion, RefusesABlockTooSmall)
{
    uint32_t size = PlatformGetFileVersionInfoSize(DREVLIN_ZEK_PATH);
    ASSERT_GT(size, 0u);
    Bytes block(size, 0xCD);
    EXPECT_EQ(PlatformGetFileVersionInfo(DREVLIN_ZEK_PATH, size - 1, block.data()), 0);
    EXPECT_EQ(block, Bytes(size, 0xCD)) << "a refused block stays untouched";
    EXPECT_EQ(PlatformGetFileVersionInfo(DREVLIN_ZEK_PATH, size, nullptr), 0);
    EXPECT_NE(PlatformGetFileVersionInfo(DREVLIN_ZEK_PATH, size, block.data()), 0);
    const void* value = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(PlatformVerQueryValue(block.data(), "\\", nullptr, &length), 0);
    EXPECT_EQ(PlatformVerQueryValue(block.data(), nullptr, &value, &length), 0);
    EXPECT_EQ(PlatformVerQueryValue(nullptr, "\\", &value, &length), 0);
}

// ---- ELF section reading ----

TEST_F(PlatformResourcesFiles, ElfSectionByExactName)
{
    Bytes elf = MakeElf({{".rsrcx", Text("longer name")}, {".rsr", Text("shorter name")}, {".rsrc", Text("wanted")},
                         {".rsrc", Text("second of the name")}, {".empty", {}}});
    std::string path = Write("named.elf", elf);
    const struct {
        const char* name;
        int32_t err;
        std::string bytes;
    } cases[] = {
        {".rsrc", 0, "wanted"},
        {".rsr", 0, "shorter name"},
        {".empty", 0, ""},
        {".rs", PLATFORM_ERROR_SECTION_NOT_FOUND, ""},
        {"", PLATFORM_ERROR_SECTION_NOT_FOUND, ""},  // the null section's empty name is not searched
    };
    for (const auto& c : cases) {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        EXPECT_EQ(PlatformReadElfSection(path.c_str(), c.name, &data, &size), c.err) << c.name;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), c.bytes) << c.name;
        PlatformFreeElfSection(data);
    }
    uint8_t* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(PlatformReadElfSection(path.c_str(), std::string(300, 'x').c_str(), &data, &size),
              PLATFORM_ERROR_INVALID_PARAMETER);

    // The names section ends inside its last name, ".shstrtab" without its NUL: no match.
    Bytes cut = MakeElf({{".rsrc", Text("r")}});
    size_t namesSize = SectionField(cut, 2, offsetof(Elf64_Shdr, sh_size));
    PutLE(cut, namesSize, PlatformReadLE64(cut.data() + namesSize) - 1, 8);
    path = Write("cut_names.elf", cut);
    EXPECT_EQ(PlatformReadElfSection(path.c_str(), ".shstrtab", &data, &size), PLATFORM_ERROR_SECTION_NOT_FOUND);
    EXPECT_EQ(PlatformReadElfSection(path.c_str(), ".rsrc", &data, &size), 0);
    PlatformFreeElfSection(data);
}

TEST_F(PlatformResourcesFiles, ElfMalformedHeaders)
{
    const Bytes good = MakeElf({{".text", Bytes(24, 0x90)}, {".rsrc", Text("resources")}});
    const size_t rsrc = 2, names = 3;
    const uint64_t fileSize = good.size();
    using Patch = std::function<void(Bytes&)>;
    auto field = [](size_t at, uint64_t value, int width) { return Patch([=](Bytes& e) { PutLE(e, at, value, width); }); };
    auto sectionField = [&](size_t index, size_t at, uint64_t value, int width) {
        return Patch([=](Bytes& e) { PutLE(e, SectionField(e, index, at), value, width); });
    };
    const struct {
        const char* what;
        Patch patch;
        int32_t err;
    } cases[] = {
        {"intact", [](Bytes&) {}, 0},
        {"extended section count", [&](Bytes& e) {
             PutLE(e, offsetof(Elf64_Ehdr, e_shnum), 0, 2);
             PutLE(e, SectionField(e, 0, offsetof(Elf64_Shdr, sh_size)), 4, 8);
         }, 0},
        {"bad magic", field(1, 'X', 1), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"32-bit class", field(EI_CLASS, ELFCLASS32, 1), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"big-endian", field(EI_DATA, ELFDATA2MSB, 1), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"no section table", field(offsetof(Elf64_Ehdr, e_shoff), 0, 8), PLATFORM_ERROR_SECTION_NOT_FOUND},
        {"table past the end", field(offsetof(Elf64_Ehdr, e_shoff), fileSize, 8), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"table offset wraps", field(offsetof(Elf64_Ehdr, e_shoff), ~uint64_t(0) - 63, 8),
         PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"too many sections", field(offsetof(Elf64_Ehdr, e_shnum), 0xFF00, 2), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"short table entries", field(offsetof(Elf64_Ehdr, e_shentsize), 32, 2), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"names index out of range", field(offsetof(Elf64_Ehdr, e_shstrndx), 4, 2), PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"no names section", field(offsetof(Elf64_Ehdr, e_shstrndx), 0, 2), PLATFORM_ERROR_SECTION_NOT_FOUND},
        {"names past the end", sectionField(names, offsetof(Elf64_Shdr, sh_offset), fileSize - 4, 8),
         PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"name offset past the names", sectionField(rsrc, offsetof(Elf64_Shdr, sh_name), 0x7FFFFFFF, 4),
         PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"section past the end", sectionField(rsrc, offsetof(Elf64_Shdr, sh_size), fileSize, 8),
         PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"section offset wraps", sectionField(rsrc, offsetof(Elf64_Shdr, sh_offset), ~uint64_t(0) - 3, 8),
         PLATFORM_ERROR_BAD_EXE_FORMAT},
        {"section without file bytes", sectionField(rsrc, offsetof(Elf64_Shdr, sh_type), SHT_NOBITS, 4),
         PLATFORM_ERROR_BAD_EXE_FORMAT},
    };
    for (const auto& c : cases) {
        Bytes elf = good;
        c.patch(elf);
        std::string path = Write("patched.elf", elf);
        uint8_t* data = nullptr;
        uint32_t size = 0;
        EXPECT_EQ(PlatformReadElfSection(path.c_str(), ".rsrc", &data, &size), c.err) << c.what;
        if (c.err == 0) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), "resources") << c.what;
        }
        PlatformFreeElfSection(data);
    }
}

TEST_F(PlatformResourcesFiles, ElfEveryTruncationFails)
{
    const Bytes elf = MakeElf({{".text", Bytes(24, 0x90)}, {".rsrc", Text("resources")}});
    const std::string path = Write("cut.elf", elf);
    for (size_t length = elf.size(); length-- > 0;) {
        std::filesystem::resize_file(path, length);
        uint8_t* data = nullptr;
        uint32_t size = 0;
        EXPECT_NE(PlatformReadElfSection(path.c_str(), ".rsrc", &data, &size), 0) << "length " << length;
        EXPECT_EQ(data, nullptr);
    }
}

// ---- resource entries ----

TEST(PlatformResourcesEntries, FindsByNameOrdinalAndLanguage)
{
    Bytes image = ResourceImage();
    AppendResource(image, u"ZEKC", 0, 1100, LANGUAGE_GERMAN, Text("de"));
    AppendResource(image, u"ZEKC", 0, 1100, LANGUAGE_US_ENGLISH, Text("en"));
    AppendResource(image, u"STR#", 0, 1100, LANGUAGE_US_ENGLISH, Text("odd"));  // 3 bytes: the next entry is padded
    AppendResource(image, u"", 6, 1100, LANGUAGE_US_ENGLISH, Text("ordinal 6"));
    AppendResource(image, u"", 6, 1101, LANGUAGE_US_ENGLISH, {});
    image.resize(image.size() + 16, 0);  // padding after the last entry
    const struct {
        const char* typeName;
        uint16_t typeOrdinal;
        uint16_t id;
        uint32_t language;
        int32_t err;
        std::string bytes;
    } cases[] = {
        {"ZEKC", 0, 1100, LANGUAGE_US_ENGLISH, 0, "en"},
        {"ZEKC", 0, 1100, LANGUAGE_GERMAN, 0, "de"},
        {"ZEKC", 0, 1100, PLATFORM_LANGUAGE_ANY, 0, "de"},
        {"STR#", 0, 1100, LANGUAGE_US_ENGLISH, 0, "odd"},
        {nullptr, 6, 1100, LANGUAGE_US_ENGLISH, 0, "ordinal 6"},
        {nullptr, 6, 1101, LANGUAGE_US_ENGLISH, 0, ""},
        {"ZEKC", 0, 1100, 1036, PLATFORM_ERROR_RESOURCE_LANG_NOT_FOUND, ""},
        {nullptr, 6, 1102, PLATFORM_LANGUAGE_ANY, PLATFORM_ERROR_RESOURCE_NAME_NOT_FOUND, ""},
        {nullptr, 7, 1100, PLATFORM_LANGUAGE_ANY, PLATFORM_ERROR_RESOURCE_TYPE_NOT_FOUND, ""},
        {"ZEKCX", 0, 1100, PLATFORM_LANGUAGE_ANY, PLATFORM_ERROR_RESOURCE_TYPE_NOT_FOUND, ""},
    };
    for (const auto& c : cases) {
        uint32_t offset = 0, size = 0;
        std::string label = c.typeName ? c.typeName : "#" + std::to_string(c.typeOrdinal);
        EXPECT_EQ(PlatformFindResource(image.data(), uint32_t(image.size()), c.typeName, c.typeOrdinal, c.id,
                                       c.language, &offset, &size),
                  c.err)
            << label << " " << c.id << " " << c.language;
        if (c.err == 0) {
            EXPECT_EQ(std::string(image.begin() + offset, image.begin() + offset + size), c.bytes) << label;
        }
    }
}

TEST(PlatformResourcesEntries, MalformedEntries)
{
    Bytes wanted = ResourceImage();
    AppendResource(wanted, u"ZEKC", 0, 1100, LANGUAGE_US_ENGLISH, Text("list"));
    const size_t entry = ResourceImage().size();  // where the ZEKC entry starts
    using Patch = std::function<void(Bytes&)>;
    const struct {
        const char* what;
        Patch patch;
        int32_t err;
    } cases[] = {
        {"header shorter than its fixed fields", [&](Bytes& b) { PutLE(b, entry + 4, 24, 4); },
         PLATFORM_ERROR_INVALID_DATA},
        {"header past the end", [&](Bytes& b) { PutLE(b, entry + 4, 0x10000, 4); }, PLATFORM_ERROR_INVALID_DATA},
        {"data past the end", [&](Bytes& b) { PutLE(b, entry, 5, 4); }, PLATFORM_ERROR_INVALID_DATA},
        {"data size wraps", [&](Bytes& b) { PutLE(b, entry, 0xFFFFFFF0u, 4); }, PLATFORM_ERROR_INVALID_DATA},
        {"header size wraps", [&](Bytes& b) { PutLE(b, entry + 4, 0xFFFFFFFCu, 4); }, PLATFORM_ERROR_INVALID_DATA},
        {"type name without NUL in the header",
         [&](Bytes& b) {
             PutLE(b, entry + 4, 32, 4);  // header ends inside the name "ZEKC", whose units go on
             for (size_t at = entry + 8; at < entry + 32; at += 2) PutLE(b, at, 'A', 2);
         },
         PLATFORM_ERROR_INVALID_DATA},
        {"fixed fields past the header",
         [&](Bytes& b) { PutLE(b, entry + 4, PlatformReadLE32(b.data() + entry + 4) - 4, 4); },
         PLATFORM_ERROR_INVALID_DATA},
        {"broken entry after the match", [&](Bytes& b) { b.insert(b.end(), {1, 0, 0, 0, 40, 0, 0, 0}); }, 0},
    };
    for (const auto& c : cases) {
        Bytes image = wanted;
        c.patch(image);
        uint32_t offset = 0, size = 0;
        EXPECT_EQ(PlatformFindResource(image.data(), uint32_t(image.size()), "ZEKC", 0, 1100, LANGUAGE_US_ENGLISH,
                                       &offset, &size),
                  c.err)
            << c.what;
    }
}

TEST(PlatformResourcesEntries, EveryTruncationOfTheModuleSection)
{
    uint8_t* section = nullptr;
    uint32_t sectionSize = 0;
    ASSERT_EQ(PlatformReadElfSection(DREVLIN_ZEK_PATH, ".rsrc", &section, &sectionSize), 0);
    const Bytes full(section, section + sectionSize);
    PlatformFreeElfSection(section);
    uint32_t offset = 0, size = 0;
    ASSERT_EQ(PlatformFindResource(full.data(), sectionSize, nullptr, PLATFORM_RT_VERSION, 1, LANGUAGE_US_ENGLISH,
                                   &offset, &size),
              0);
    const uint32_t versionEnd = offset + size;
    for (uint32_t length = 0; length < sectionSize; ++length) {
        // An exact-size copy, so that a read past the end shows under the address sanitizer.
        Bytes cut(full.begin(), full.begin() + length);
        int32_t err = PlatformFindResource(cut.data(), length, nullptr, PLATFORM_RT_VERSION, 1, LANGUAGE_US_ENGLISH,
                                           &offset, &size);
        EXPECT_EQ(err == 0, length >= versionEnd) << "length " << length << " error " << err;
    }
}

// ---- version trees ----

TEST_F(PlatformResourcesFiles, VersionTextsAndKeys)
{
    Bytes tree = VersionTree(FixedInfo(0x00030001, 0x00040005),
                             {TextNode(u"ProductName", u"Gr\u00f6\u00dfe \u2713 \U0001F600"),
                              TextNode(u"LoneSurrogate", std::u16string(u"a") + char16_t(0xD800) + u"b"),
                              TextNode(u"Empty", u""), TextNode(u"Prod", u"prefix key"),
                              TextNode(std::u16string(300, u'K'), u"long key")});
    std::string path = Write("texts.elf", ElfWithVersion(tree));
    Bytes block = ReadVersionBlock(path);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(QueryFixedInfo(block).fileVersionLS, 0x00040005u);
    const struct {
        std::string subBlock;
        std::string text;
    } texts[] = {
        {"\\StringFileInfo\\040904b0\\ProductName", "Gr\xC3\xB6\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x98\x80"},
        {"\\stringfileinfo\\040904B0\\PRODUCTNAME", "Gr\xC3\xB6\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x98\x80"},
        {"StringFileInfo\\040904b0\\Prod", "prefix key"},
        {"\\StringFileInfo\\040904b0\\LoneSurrogate", "a\xEF\xBF\xBD" "b"},
        {"\\StringFileInfo\\040904b0\\Empty", ""},
        {"\\StringFileInfo\\040904b0\\" + std::string(300, 'k'), "long key"},
        {"\\StringFileInfo\\040904b0\\" + std::string(299, 'k'), "<missing>"},
        {"\\StringFileInfo\\040904b0\\ProductNam", "<missing>"},
        {"\\StringFileInfo\\040904b1\\ProductName", "<missing>"},
        {"\\StringFileInfo\\040904b0\\ProductName\\Deeper", "<missing>"},
    };
    for (const auto& t : texts) EXPECT_EQ(QueryText(block, t.subBlock.c_str()), t.text) << t.subBlock;

    const void* value = nullptr;
    uint32_t length = 99;
    EXPECT_NE(PlatformVerQueryValue(block.data(), "\\StringFileInfo", &value, &length), 0);
    EXPECT_EQ(length, 0u) << "a block of strings has no value of its own";
    EXPECT_EQ(QueryBytes(block, "\\VarFileInfo\\Translation"), (Bytes{0x09, 0x04, 0xB0, 0x04}));
}

TEST_F(PlatformResourcesFiles, MalformedVersionTrees)
{
    const Bytes strings = TextNode(u"ProductName", u"Tavra");
    const Bytes good = VersionTree(FixedInfo(0x00080000, 0x00040000), {strings});
    using Patch = std::function<void(Bytes&)>;
    // The root's first child (StringFileInfo) follows the root's header and key (40 bytes with
    // padding) and its 52-byte value.
    const size_t firstChild = 40 + 52;
    // Zero bytes after the string table's last entry, still inside the table.
    const Bytes padded = VersionTree(FixedInfo(0x00080000, 0x00040000), {strings, Bytes(8, 0)});
    Bytes deep = TextNode(u"Leaf", u"x");
    for (int level = 0; level < 20; ++level) deep = VersionNode(u"L", 1, {}, 0, {deep});
    const struct {
        const char* what;
        Bytes tree;
        Patch patch;
        bool sized;     // the block can be had at all
        bool fixed;     // "\\" answers
    } cases[] = {
        {"intact", good, [](Bytes&) {}, true, true},
        {"zero padding after the last child", padded, [](Bytes&) {}, true, true},
        {"wrong signature", good, [](Bytes& t) { PutLE(t, 40, 0x12345678, 4); }, true, false},
        {"root longer than the resource", good, [](Bytes& t) { PutLE(t, 0, t.size() + 4, 2); }, false, false},
        {"root shorter than its header", good, [](Bytes& t) { PutLE(t, 0, 4, 2); }, false, false},
        {"binary value past the root", good, [](Bytes& t) { PutLE(t, 2, 0xF000, 2); }, false, false},
        {"child longer than its parent", good,
         [&](Bytes& t) { PutLE(t, firstChild, 0xF000, 2); }, false, false},
        {"key without NUL", good,
         [&](Bytes& t) {
             size_t end = firstChild + PlatformReadLE16(t.data() + firstChild);
             for (size_t at = firstChild + 6; at < end; at += 2) PutLE(t, at, 'K', 2);
         },
         false, false},
        {"nested too deep", VersionTree(FixedInfo(0x00080000, 0x00040000), {deep}), [](Bytes&) {}, false, false},
    };
    ASSERT_EQ(PlatformReadLE16(good.data() + firstChild + 6), 'S') << "fixture layout changed";
    for (const auto& c : cases) {
        Bytes tree = c.tree;
        c.patch(tree);
        std::string path = Write("tree.elf", ElfWithVersion(tree));
        Bytes block = ReadVersionBlock(path);
        EXPECT_EQ(!block.empty(), c.sized) << c.what;
        if (block.empty()) continue;
        EXPECT_EQ(QueryFixedInfo(block).signature == PLATFORM_FIXED_FILE_INFO_SIGNATURE, c.fixed) << c.what;
        EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904b0\\ProductName"), "Tavra") << c.what;
    }
}

}  // namespace
