// Host version discovery with the file-version fallback.
#include "bridge/host_version.h"

#include <cstring>

#include "bridge/bridge_memory.h"
#include "bridge/host_dispatch.h"
#include "bridge/message_codes.h"
#include "bridge/module_handles.h"
#include "platform/module_file.h"
#include "platform/version_info.h"

enum : uint32_t { FIXED_INFO_FILE_VERSION_MS = 8, FIXED_INFO_FILE_VERSION_LS = 12 };

// Reads the version from the executable's fixed file information: a.b.c.x gives a·100 + b·10 + c.
static int32_t VersionFromExecutableFile()
{
    void* module = HostModuleHandle();
    if (!module) return 0;
    char path[256];
    if (PlatformGetModuleFileName(module, path, sizeof path) == 0) return 0;
    uint32_t size = PlatformGetFileVersionInfoSize(path);
    if (size == 0) return 0;
    Ptr block = BridgeNewPtr(size);
    if (!block) return 0;
    const void* fixed = nullptr;
    uint32_t length = 0;
    if (!PlatformGetFileVersionInfo(path, size, block) || !PlatformVerQueryValue(block, "\\", &fixed, &length) ||
        length < FIXED_INFO_FILE_VERSION_LS + 4) {
        BridgeDisposePtr(block);
        return 0;
    }
    uint32_t ms = 0, ls = 0;
    std::memcpy(&ms, static_cast<const char*>(fixed) + FIXED_INFO_FILE_VERSION_MS, 4);
    std::memcpy(&ls, static_cast<const char*>(fixed) + FIXED_INFO_FILE_VERSION_LS, 4);
    int32_t version = int32_t(ms >> 16) * 100 + int32_t(ms & 0xFFFFu) * 10 + int32_t(ls >> 16);
    BridgeDisposePtr(block);
    return version;
}

int32_t QueryHostVersion()
{
    int32_t v = 0;
    if (static_cast<int32_t>(InvokeHost1(MSG_HOST_VERSION, WordFromAddress(&v))) == 0) return v / 10;
    return VersionFromExecutableFile();
}
