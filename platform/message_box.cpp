// Message boxes go to standard error; the beep is the terminal bell.
#include "platform/message_box.h"

#include <cstdio>

static PlatformMessageBoxSink messageBoxSink = nullptr;
static PlatformBeepSink beepSink = nullptr;

int32_t PlatformMessageBox(void* owner, const char* text, const char* title, uint32_t type)
{
    if (messageBoxSink) return messageBoxSink(owner, text, title, type);
    std::fprintf(stderr, "[%s] %s\n", title ? title : "", text ? text : "");
    return PLATFORM_IDOK;
}

void PlatformMessageBeep(uint32_t type)
{
    if (beepSink) {
        beepSink(type);
        return;
    }
    std::fputc('\a', stderr);
}

void PlatformSetMessageBoxSink(PlatformMessageBoxSink sink)
{
    messageBoxSink = sink;
}

void PlatformSetBeepSink(PlatformBeepSink sink)
{
    beepSink = sink;
}
