// Catalogue services: operation registration and notices.
#include "bridge/host_services.h"

#include "bridge/error_codes.h"
#include "bridge/host_dispatch.h"
#include "bridge/link_record.h"
#include "bridge/main_thread.h"
#include "bridge/message_codes.h"

int32_t RegisterOperation(const char* commandTemplate, const char* numericOutputs, const char* stringOutputs,
                          int32_t blockSize, const void* executeFunction, int32_t options)
{
    if (!VerifyOnMainThread("RegisterOperation")) return ERR_NOT_MAIN_THREAD;
    return static_cast<int32_t>(InvokeHost6(MSG_REGISTER_OPERATION, WordFromAddress(commandTemplate),
                                            WordFromAddress(numericOutputs), WordFromAddress(stringOutputs),
                                            WordFromInt(blockSize), WordFromAddress(executeFunction),
                                            WordFromInt(options)));
}

int64_t PostNotice(const char* text)
{
    return InvokeHost1(MSG_POST_NOTICE, WordFromAddress(text));
}
