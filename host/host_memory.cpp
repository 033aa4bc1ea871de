// The host's allocator: handles are pointers to master pointers, and every resize moves the
// block, so a stale address shows up under AddressSanitizer. Reached through the exports and
// through the memory table of message 292; both roads are logged.
#include <cstdlib>
#include <cstring>
#include <map>

#include "bridge/host_exports.h"
#include "host/host_state.h"

namespace {

struct HostAllocations {
    std::mutex mutex;
    std::map<Handle, int64_t> handles;  // handle → block size
    std::map<Ptr, int64_t> pointers;    // pointer → block size
    int32_t memError = 0;
};

HostAllocations& Allocations()
{
    static HostAllocations allocations;
    return allocations;
}

constexpr int64_t MAX_BLOCK_BYTES = int64_t(1) << 40;

int32_t SetError(int32_t code)
{
    Allocations().memError = code;
    return code;
}

// Returns a fresh block of `size` bytes (at least one byte is allocated), or null.
char* NewBlock(int64_t size)
{
    if (size < 0 || size > MAX_BLOCK_BYTES) return nullptr;
    return static_cast<char*>(std::calloc(1, static_cast<size_t>(size > 0 ? size : 1)));
}

Handle ImplNewHandle(int64_t size)
{
    char* block = NewBlock(size);
    if (!block) return SetError(HOST_ERR_MEMORY_FULL), nullptr;
    auto* handle = new char*(block);
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    Allocations().handles[handle] = size;
    SetError(0);
    return handle;
}

int64_t ImplGetHandleSize(Handle h)
{
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    auto it = Allocations().handles.find(h);
    if (it == Allocations().handles.end()) return SetError(HOST_ERR_NIL_HANDLE), 0;
    SetError(0);
    return it->second;
}

int32_t ImplSetHandleSize(Handle h, int64_t size)
{
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    auto it = Allocations().handles.find(h);
    if (it == Allocations().handles.end()) return SetError(HOST_ERR_NIL_HANDLE);
    char* block = NewBlock(size);
    if (!block) return SetError(HOST_ERR_MEMORY_FULL);
    std::memcpy(block, *h, static_cast<size_t>(std::min(size, it->second)));
    std::free(*h);
    *h = block;
    it->second = size;
    return SetError(0);
}

void ImplDisposeHandle(Handle h)
{
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    auto it = Allocations().handles.find(h);
    if (it == Allocations().handles.end()) return void(SetError(HOST_ERR_NIL_HANDLE));
    std::free(*h);
    delete h;
    Allocations().handles.erase(it);
    SetError(0);
}

int32_t ImplPtrToHand(const void* src, Handle* dst, int64_t size)
{
    if (!dst) return SetError(HOST_ERR_NIL_HANDLE);
    Handle h = ImplNewHandle(size);
    *dst = h;
    if (!h) return SetError(HOST_ERR_MEMORY_FULL);
    if (size > 0) std::memcpy(*h, src, static_cast<size_t>(size));
    return SetError(0);
}

int32_t ImplHandToHand(Handle* hp)
{
    if (!hp || !*hp) return SetError(HOST_ERR_NIL_HANDLE);
    int64_t size = ImplGetHandleSize(*hp);
    if (Allocations().memError) return Allocations().memError;
    Handle copy = nullptr;
    int32_t err = ImplPtrToHand(**hp, &copy, size);
    if (err == 0) *hp = copy;
    return err;
}

int32_t ImplPtrAndHand(const void* src, Handle h, int64_t size)
{
    int64_t old = ImplGetHandleSize(h);
    if (Allocations().memError) return Allocations().memError;
    if (int32_t err = ImplSetHandleSize(h, old + size)) return err;
    if (size > 0) std::memcpy(*h + old, src, static_cast<size_t>(size));
    return SetError(0);
}

int32_t ImplHandAndHand(Handle src, Handle dst)
{
    int64_t size = ImplGetHandleSize(src);
    if (Allocations().memError) return Allocations().memError;
    return ImplPtrAndHand(*src, dst, size);
}

Ptr ImplNewPtr(int64_t size)
{
    char* block = NewBlock(size);
    if (!block) return SetError(HOST_ERR_MEMORY_FULL), nullptr;
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    Allocations().pointers[block] = size;
    SetError(0);
    return block;
}

int64_t ImplGetPtrSize(Ptr p)
{
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    auto it = Allocations().pointers.find(p);
    if (it == Allocations().pointers.end()) return SetError(HOST_ERR_NIL_HANDLE), 0;
    SetError(0);
    return it->second;
}

// A pointer block cannot move, so it may shrink but never grow past its first size.
int32_t ImplSetPtrSize(Ptr p, int64_t size)
{
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    auto it = Allocations().pointers.find(p);
    if (it == Allocations().pointers.end()) return SetError(HOST_ERR_NIL_HANDLE);
    if (size < 0 || size > it->second) return SetError(HOST_ERR_MEMORY_FULL);
    it->second = size;
    return SetError(0);
}

void ImplDisposePtr(Ptr p)
{
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    auto it = Allocations().pointers.find(p);
    if (it == Allocations().pointers.end()) return void(SetError(HOST_ERR_NIL_HANDLE));
    std::free(p);
    Allocations().pointers.erase(it);
    SetError(0);
}

// The memory table's functions: logged as table calls.
#define DREVLIN_HOST_TABLE_FUNCTION(index, name, road, ret, params, args) \
    ret Table##name params                                                \
    {                                                                     \
        HostLogFunction(HOST_ROAD_MEMORY_TABLE, #name);                   \
        return Impl##name args;                                           \
    }
DREVLIN_MEMORY_FUNCTIONS(DREVLIN_HOST_TABLE_FUNCTION)
#undef DREVLIN_HOST_TABLE_FUNCTION

}  // namespace

// The executable's exports: logged as export calls.
#define DREVLIN_HOST_EXPORT_FUNCTION(index, name, road, ret, params, args) \
    extern "C" ret name params                                             \
    {                                                                      \
        HostLogFunction(HOST_ROAD_EXPORT, #name);                          \
        return Impl##name args;                                            \
    }
DREVLIN_MEMORY_FUNCTIONS(DREVLIN_HOST_EXPORT_FUNCTION)
#undef DREVLIN_HOST_EXPORT_FUNCTION

extern "C" int32_t MemError(void)
{
    HostLogFunction(HOST_ROAD_EXPORT, "MemError");
    return Allocations().memError;
}

void HostFillMemoryTable(uint64_t* table)
{
    const uint64_t entries[HOST_MEMORY_FUNCTION_COUNT] = {
#define DREVLIN_HOST_TABLE_ENTRY(index, name, road, ret, params, args) reinterpret_cast<uintptr_t>(&Table##name),
        DREVLIN_MEMORY_FUNCTIONS(DREVLIN_HOST_TABLE_ENTRY)
#undef DREVLIN_HOST_TABLE_ENTRY
    };
    uint32_t mask = Host().config.memoryTableMask;
    for (int32_t i = 0; i < HOST_MEMORY_FUNCTION_COUNT; ++i) table[i] = (mask >> i) & 1u ? entries[i] : 0;
}

void HostReleaseMemory()
{
    HostAllocations& allocations = Allocations();
    std::lock_guard<std::mutex> lock(allocations.mutex);
    for (auto& [handle, size] : allocations.handles) {
        std::free(*handle);
        delete handle;
    }
    for (auto& [pointer, size] : allocations.pointers) std::free(pointer);
    allocations.handles.clear();
    allocations.pointers.clear();
    allocations.memError = 0;
}

// Host-side access for the host's own files (waves live in handles).
Handle HostNewHandle(int64_t size)
{
    return ImplNewHandle(size);
}

int32_t HostReplaceHandleBlock(Handle h, int64_t size)
{
    std::lock_guard<std::mutex> lock(Allocations().mutex);
    auto it = Allocations().handles.find(h);
    if (it == Allocations().handles.end()) return SetError(HOST_ERR_NIL_HANDLE);
    char* block = NewBlock(size);
    if (!block) return SetError(HOST_ERR_MEMORY_FULL);
    std::free(*h);
    *h = block;
    it->second = size;
    return SetError(0);
}

void HostDisposeHandle(Handle h)
{
    ImplDisposeHandle(h);
}

int64_t HostHandleSize(Handle h)
{
    return ImplGetHandleSize(h);
}
