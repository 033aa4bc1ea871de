// The executable's exports besides memory: ticks, module handles, texts, windows, clipboard.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bridge/host_exports.h"
#include "host/host_state.h"
#include "host/module_loader.h"
#include "platform/resources.h"

extern "C" uint32_t TickCount(void)
{
    return Host().tick;
}

extern "C" void* GetTavraModule(void)
{
    HostLogFunction(HOST_ROAD_EXPORT, "GetTavraModule");
    const HostConfig& config = Host().config;
    if (config.executableModule) return config.executableModule;
    if (!config.useExecutableModule) return nullptr;
    static void* self = dlopen(nullptr, RTLD_NOW);
    return self;
}

extern "C" void* GetZEKModule(HostLinkHandle linkRecord)
{
    HostLogFunction(HOST_ROAD_EXPORT, "GetZEKModule");
    return linkRecord == HostLinkRecordHandle() ? HostLoadedModuleHandle() : nullptr;
}

// Copies the index-th text (from 1) of the module's 'STR#' list number `listNumber` into the
// 256-byte buffer; an empty text when there is none.
extern "C" char* GetWinIndString(void* module, char* buffer, int32_t listNumber, int32_t index)
{
    HostLogFunction(HOST_ROAD_EXPORT, "GetWinIndString");
    if (!buffer) return buffer;
    buffer[0] = 0;
    std::string path = HostModulePath();
    if (!module || module != HostLoadedModuleHandle() || path.empty() || listNumber < 0 || listNumber > 0xFFFF)
        return buffer;
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (PlatformLoadResource(path.c_str(), "STR#", 0, static_cast<uint16_t>(listNumber), PLATFORM_LANGUAGE_ANY, &data,
                             &size) != 0)
        return buffer;
    uint32_t at = 0;
    for (int32_t i = 1; at < size; ++i) {
        const void* end = std::memchr(data + at, 0, size - at);
        if (!end) break;
        uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(end) - (data + at));
        if (length == 0) break;
        if (i == index) {
            std::snprintf(buffer, 256, "%s", reinterpret_cast<const char*>(data + at));
            break;
        }
        at += length + 1;
    }
    PlatformFreeResource(data);
    return buffer;
}

extern "C" void* GetTavraClientHWND(void)
{
    HostLogFunction(HOST_ROAD_EXPORT, "GetTavraClientHWND");
    return nullptr;
}

extern "C" int64_t HandleZEKWinMessage(void*, void*, uint32_t, uint64_t, int64_t, int32_t)
{
    HostLogFunction(HOST_ROAD_EXPORT, "HandleZEKWinMessage");
    return 0;
}

static char standardFilePath[2001] = "";

extern "C" int32_t GetStandardFileWinPath(char* buffer)
{
    HostLogFunction(HOST_ROAD_EXPORT, "GetStandardFileWinPath");
    if (!buffer) return HOST_ERR_BAD_ARGUMENTS;
    std::strcpy(buffer, standardFilePath);
    return 0;
}

extern "C" int32_t SetStandardFileWinPath(const char* path)
{
    HostLogFunction(HOST_ROAD_EXPORT, "SetStandardFileWinPath");
    if (!path || std::strlen(path) >= sizeof standardFilePath) return HOST_ERR_BAD_ARGUMENTS;
    std::strcpy(standardFilePath, path);
    return 0;
}

extern "C" int32_t WindowsErrorToTavraError(int32_t systemError)
{
    HostLogFunction(HOST_ROAD_EXPORT, "WindowsErrorToTavraError");
    return systemError;
}

extern "C" int32_t QVGetLastError(void)
{
    HostLogFunction(HOST_ROAD_EXPORT, "QVGetLastError");
    return 0;
}

extern "C" int32_t SetScrapData(void*, int32_t, uint32_t, const void*)
{
    HostLogFunction(HOST_ROAD_EXPORT, "SetScrapData");
    return 0;
}
