// The module resources the host reads from a module file: operation list ('ZEKC'),
// error-message list ('STR#') and module information ('ZEKI'), all id 1100, US English.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum : int32_t { MODULE_RESOURCE_ID = 1100, MODULE_RESOURCE_LANGUAGE = 1033, MODULE_FIRST_ERROR_CODE = 10001 };

struct ModuleOperationEntry {
    std::string name;
    uint16_t flags;
};

struct ModuleResources {
    std::vector<ModuleOperationEntry> operations;
    std::vector<std::string> errorMessages;  // the text of code 10001 first
    std::vector<uint16_t> moduleInfo;        // the five words of 'ZEKI'
};

// Reads and decodes the three resources. Return 0 on success, or 1 with *error saying what is wrong.
int32_t ReadModuleResources(const char* path, ModuleResources* resources, std::string* error);

// The resources of the module the host has loaded (empty when none is loaded).
const ModuleResources& LoadedModuleResources();
void SetLoadedModuleResources(const ModuleResources& resources);
