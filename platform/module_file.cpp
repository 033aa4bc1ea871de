// Finds a loaded module's file through the dynamic loader's link map.
#include "platform/module_file.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Where the kernel shows the running executable, whose link-map entry has an empty name.
constexpr const char* MODULE_EXECUTABLE_LINK = "/proc/self/exe";
// Where the kernel lists the process's mappings with the full paths of their files.
constexpr const char* MODULE_MAPS_FILE = "/proc/self/maps";

// Returns 1 when `module` is the handle of an object loaded in the process's default namespace, so
// that a stray pointer is refused instead of being handed to the loader.
int IsLoadedModule(void* module)
{
    void* executable = dlopen(nullptr, RTLD_LAZY);
    if (!executable) return 0;
    struct link_map* map = nullptr;
    int found = 0;
    if (dlinfo(executable, RTLD_DI_LINKMAP, &map) == 0)
        for (; map && !found; map = map->l_next) found = static_cast<void*>(map) == module;
    dlclose(executable);
    return found;
}

// Returns 1 and copies the path of the mapping on `line` (one line of the maps file) into
// `resolved` (PATH_MAX bytes) when that mapping covers `address` and is a file; else returns 0.
int MappingCovers(const char* line, uintptr_t address, char* resolved)
{
    unsigned long long start = 0, end = 0;
    int pathAt = 0;
    // Fields: range, permissions, offset, device, inode, then the path to the end of the line.
    if (std::sscanf(line, "%llx-%llx %*s %*s %*s %*s %n", &start, &end, &pathAt) != 2 || pathAt == 0) return 0;
    if (address < start || address >= end || line[pathAt] != '/') return 0;
    size_t length = std::strlen(line + pathAt);
    if (length >= PATH_MAX) return 0;
    std::memcpy(resolved, line + pathAt, length + 1);
    return 1;
}

// Finds the file mapped at `address` through the maps file, for a module that was loaded by a
// relative name. Return 0 with the path in `resolved` (PATH_MAX bytes), or 1 if none is found.
int FindMappedFile(uintptr_t address, char* resolved)
{
    int fd = open(MODULE_MAPS_FILE, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 1;
    char buffer[PATH_MAX + 256];
    size_t filled = 0;
    int found = 0;
    while (!found && filled < sizeof buffer) {
        ssize_t got = read(fd, buffer + filled, sizeof buffer - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        filled += size_t(got);
        char* line = buffer;
        char* newline = nullptr;
        while (!found && (newline = static_cast<char*>(std::memchr(line, '\n', size_t(buffer + filled - line))))) {
            *newline = '\0';
            found = MappingCovers(line, address, resolved);
            line = newline + 1;
        }
        // The unfinished last line moves to the front; a line longer than the buffer ends the search.
        filled = size_t(buffer + filled - line);
        std::memmove(buffer, line, filled);
    }
    close(fd);
    return found ? 0 : 1;
}

// Writes the module's file path into `resolved` (PATH_MAX bytes). Return 0 on success, or 1 if
// the loader or the kernel gives no path.
int ResolveModulePath(void* module, char* resolved)
{
    struct link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) return 1;
    if (map->l_name[0] == '\0') {
        ssize_t length = readlink(MODULE_EXECUTABLE_LINK, resolved, PATH_MAX - 1);
        // A link that fills the whole buffer may have been cut short.
        if (length <= 0 || length >= PATH_MAX - 1) return 1;
        resolved[length] = '\0';
        return 0;
    }
    // The loader keeps the name as dlopen was given it; a relative one no longer tells where the
    // file is once the working folder changes, so the kernel's mapping of the module's dynamic
    // section names the file instead.
    if (map->l_name[0] != '/') return FindMappedFile(reinterpret_cast<uintptr_t>(map->l_ld), resolved);
    if (realpath(map->l_name, resolved)) return 0;
    size_t length = std::strlen(map->l_name);
    if (length >= PATH_MAX) return 1;
    std::memcpy(resolved, map->l_name, length + 1);
    return 0;
}

}  // namespace

uint32_t PlatformGetModuleFileName(void* module, char* path, uint32_t size) noexcept
{
    if (!module || !path || size == 0) return 0;
    char resolved[PATH_MAX];
    if (!IsLoadedModule(module) || ResolveModulePath(module, resolved) != 0) {
        path[0] = '\0';
        return 0;
    }
    size_t length = std::strlen(resolved);
    if (length < size) {
        std::memcpy(path, resolved, length + 1);
        return uint32_t(length);
    }
    std::memcpy(path, resolved, size - 1);
    path[size - 1] = '\0';
    return size;
}
