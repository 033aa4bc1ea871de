// Module loading and messages to the module.
#include "host/module_loader.h"

#include <dlfcn.h>

#include "host/host_operations.h"
#include "host/host_state.h"
#include "host/module_resources.h"

using ZEKMainProc = int32_t (*)(HostLinkHandle);

static void* moduleHandle = nullptr;
static std::string modulePath;

// A module may register only the operations its resources list, and must register them all.
static bool RegisteredOperationsMatch(const ModuleResources& resources, std::string* error)
{
    std::vector<HostOperationInfo> registered = HostRegisteredOperations();
    bool match = registered.size() == resources.operations.size();
    for (size_t i = 0; match && i < registered.size(); ++i) match = registered[i].name == resources.operations[i].name;
    if (!match) *error = "the operations registered differ from the module's operation list";
    return match;
}

int32_t HostLoadModule(const char* path, int32_t* zekMainReturn, int64_t* zekResult, std::string* error)
{
    HostUnloadModule();
    ModuleResources resources;
    if (ReadModuleResources(path, &resources, error) != 0) return 1;
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        *error = std::string("cannot load module: ") + dlerror();
        return 1;
    }
    auto zekMain = reinterpret_cast<ZEKMainProc>(dlsym(handle, "ZEKMain"));
    if (!zekMain) {
        *error = std::string("module has no ZEKMain: ") + path;
        dlclose(handle);
        return 1;
    }
    moduleHandle = handle;
    modulePath = path;
    HostRecord()->result = 0;
    *zekMainReturn = zekMain(HostLinkRecordHandle());
    *zekResult = HostRecord()->result;
    SetLoadedModuleResources(resources);
    if (*zekResult == 0 && !RegisteredOperationsMatch(resources, error)) return 1;
    return 0;
}

void HostUnloadModule()
{
    if (moduleHandle) dlclose(moduleHandle);
    moduleHandle = nullptr;
    modulePath.clear();
    SetLoadedModuleResources(ModuleResources());
}

void* HostLoadedModuleHandle()
{
    return moduleHandle;
}

std::string HostModulePath()
{
    return modulePath;
}

int64_t HostSendModuleMessage(int16_t message, const std::vector<int64_t>& items)
{
    HostLinkRecord* record = HostRecord();
    if (!record->entry) return -1;
    record->message = message;
    record->itemCount = static_cast<int16_t>(items.size());
    for (size_t i = 0; i < items.size() && i < LINK_RECORD_ITEM_SLOTS; ++i) record->items[i] = items[i];
    record->result = 0;
    record->entry();
    return HostRecord()->result;
}
