// The file name of a loaded module: a handle from dlopen, or dlopen(nullptr, ...) for the executable.
#pragma once

#include <cstdint>

// Copies the full path of the module file behind `module` into `path` (a buffer of `size` bytes)
// as a NUL-terminated text. Returns the number of characters copied, not counting the NUL; when
// the buffer is too small the text is cut to size - 1 characters and the result is `size`, as the
// system's own call does. Returns 0 for a null or unknown handle, a null or empty buffer, or a
// module whose path cannot be found.
uint32_t PlatformGetModuleFileName(void* module, char* path, uint32_t size) noexcept;
