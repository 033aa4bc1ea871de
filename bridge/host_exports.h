// The 24 functions the Tavra executable exports to modules, and the memory table
// a host of 8.00 or later hands over. The module resolves the exports at load time.
#pragma once
#include <cstdint>

#include "bridge/link_record.h"

using Handle = char**;
using Ptr = char*;

// Memory functions: table index, name, how the bridge reaches it, result, parameters, arguments.
// The table order is the host's: index × 8 is the entry's byte offset. FORWARD: table entry or
// export; DISPOSE: null is ignored; RESIZE: on the export road the outcome is MemError().
#define DREVLIN_MEMORY_FUNCTIONS(X)                                                                 \
    X(0, NewHandle, FORWARD, Handle, (int64_t size), (size))                                        \
    X(1, GetHandleSize, FORWARD, int64_t, (Handle h), (h))                                          \
    X(2, SetHandleSize, RESIZE, int32_t, (Handle h, int64_t size), (h, size))                      \
    X(3, HandToHand, FORWARD, int32_t, (Handle * hp), (hp))                                         \
    X(4, HandAndHand, FORWARD, int32_t, (Handle src, Handle dst), (src, dst))                       \
    X(5, DisposeHandle, DISPOSE, void, (Handle p), (p))                                             \
    X(6, NewPtr, FORWARD, Ptr, (int64_t size), (size))                                              \
    X(7, GetPtrSize, FORWARD, int64_t, (Ptr p), (p))                                                \
    X(8, SetPtrSize, RESIZE, int32_t, (Ptr p, int64_t size), (p, size))                            \
    X(9, PtrToHand, FORWARD, int32_t, (const void* src, Handle* dst, int64_t size), (src, dst, size)) \
    X(10, PtrAndHand, FORWARD, int32_t, (const void* src, Handle h, int64_t size), (src, h, size))  \
    X(11, DisposePtr, DISPOSE, void, (Ptr p), (p))

enum : int32_t { HOST_MEMORY_FUNCTION_COUNT = 12 };

extern "C" {
#define DREVLIN_DECLARE_MEMORY_EXPORT(index, name, road, ret, params, args) ret name params;
DREVLIN_MEMORY_FUNCTIONS(DREVLIN_DECLARE_MEMORY_EXPORT)
#undef DREVLIN_DECLARE_MEMORY_EXPORT

int32_t MemError(void);
uint32_t TickCount(void);
void* GetTavraModule(void);
void* GetZEKModule(HostLinkHandle linkRecord);
char* GetWinIndString(void* module, char* buffer, int32_t listNumber, int32_t index);
void* GetTavraClientHWND(void);
int64_t HandleZEKWinMessage(void* module, void* window, uint32_t message, uint64_t wParam, int64_t lParam,
                            int32_t extra);
int32_t GetStandardFileWinPath(char* buffer);
int32_t SetStandardFileWinPath(const char* path);
int32_t WindowsErrorToTavraError(int32_t systemError);
int32_t QVGetLastError(void);
int32_t SetScrapData(void* reserved, int32_t length, uint32_t type, const void* data);
}
