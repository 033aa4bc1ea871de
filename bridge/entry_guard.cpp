// The notice that reports an exception caught at an entry point.
#include "bridge/entry_guard.h"

#include <cstdio>

#include "bridge/host_services.h"

void PostExceptionNotice(const char* what) noexcept
{
    char text[1024];
    std::snprintf(text, sizeof text, "Drevlin: %s\r", what ? what : "");
    try {
        PostNotice(text);
    } catch (...) {
    }
}
