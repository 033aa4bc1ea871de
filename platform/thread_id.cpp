// Thread ids from the kernel, as the original platform's GetCurrentThreadId gives them.
#include "platform/thread_id.h"

#include <sys/syscall.h>
#include <unistd.h>

static PlatformThreadIdSource threadIdSource = nullptr;

uint32_t PlatformCurrentThreadId()
{
    if (threadIdSource) return threadIdSource();
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

void PlatformSetThreadIdSource(PlatformThreadIdSource source)
{
    threadIdSource = source;
}
