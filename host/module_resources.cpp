// Decoding of the module's own resources.
#include "host/module_resources.h"

#include <cstring>

#include "platform/resources.h"

namespace {

// Loads one resource into `bytes`; returns false with *error set when it is missing.
bool LoadBytes(const char* path, const char* type, std::vector<uint8_t>* bytes, std::string* error)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    int32_t err = PlatformLoadResource(path, type, 0, MODULE_RESOURCE_ID, MODULE_RESOURCE_LANGUAGE, &data, &size);
    if (err != 0) {
        *error = std::string("module resource '") + type + "' 1100 not found in " + path + " (error " +
                 std::to_string(err) + ")";
        return false;
    }
    bytes->assign(data, data + size);
    PlatformFreeResource(data);
    return true;
}

// Reads a NUL-terminated text at *at; false when the bytes end before the terminator.
bool ReadText(const std::vector<uint8_t>& bytes, size_t* at, std::string* text)
{
    const void* end = std::memchr(bytes.data() + *at, 0, bytes.size() - *at);
    if (!end) return false;
    size_t length = static_cast<const uint8_t*>(end) - (bytes.data() + *at);
    text->assign(reinterpret_cast<const char*>(bytes.data() + *at), length);
    *at += length + 1;
    return true;
}

bool DecodeOperations(const std::vector<uint8_t>& bytes, ModuleResources* resources)
{
    size_t at = 0;
    std::string name;
    while (at < bytes.size()) {
        if (!ReadText(bytes, &at, &name)) return false;
        if (name.empty()) return true;
        if (at + 2 > bytes.size()) return false;
        resources->operations.push_back({name, static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8)});
        at += 2;
    }
    return false;
}

bool DecodeTexts(const std::vector<uint8_t>& bytes, ModuleResources* resources)
{
    size_t at = 0;
    std::string text;
    while (at < bytes.size()) {
        if (!ReadText(bytes, &at, &text)) return false;
        if (text.empty()) return true;
        resources->errorMessages.push_back(text);
    }
    return false;
}

ModuleResources loadedResources;

}  // namespace

int32_t ReadModuleResources(const char* path, ModuleResources* resources, std::string* error)
{
    *resources = ModuleResources();
    std::vector<uint8_t> bytes;
    if (!LoadBytes(path, "ZEKC", &bytes, error)) return 1;
    if (!DecodeOperations(bytes, resources)) return *error = "malformed operation list 'ZEKC'", 1;
    if (!LoadBytes(path, "STR#", &bytes, error)) return 1;
    if (!DecodeTexts(bytes, resources)) return *error = "malformed error-message list 'STR#'", 1;
    if (!LoadBytes(path, "ZEKI", &bytes, error)) return 1;
    if (bytes.size() != 10) return *error = "module information 'ZEKI' is not ten bytes", 1;
    for (size_t i = 0; i < 10; i += 2) resources->moduleInfo.push_back(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8));
    return 0;
}

const ModuleResources& LoadedModuleResources()
{
    return loadedResources;
}

void SetLoadedModuleResources(const ModuleResources& resources)
{
    loadedResources = resources;
}
