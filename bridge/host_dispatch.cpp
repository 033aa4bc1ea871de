// The one place that builds host calls: both mechanisms, no allocation per call.
#include "bridge/host_dispatch.h"

#include "bridge/bridge_state.h"
#include "bridge/link_record_access.h"

static int64_t InvokeHostViaBlock(int32_t message, const uint64_t* words, int32_t count)
{
    HostCallbackBlock block{};  // zeroes the reserved words
    block.version = CALLBACK_BLOCK_VERSION;
    block.linkRecord = linkRecordHandle;
    block.message = message;
    block.argCount = count;
    block.args = count > 0 ? words : nullptr;
    (*linkRecordHandle)->callback(&block);
    return block.result;
}

int64_t InvokeHostWords(int32_t message, const uint64_t* words, int32_t count)
{
    if (useCallbackBlock) return InvokeHostViaBlock(message, words, count);
    SetRecordItemCount(count);
    for (int32_t i = 0; i < count; ++i) (*linkRecordHandle)->items[i] = static_cast<int64_t>(words[i]);
    return InvokeHostViaRecord(message);
}

int64_t InvokeHostViaRecord(int32_t message)
{
    SetZEKResult(0);
    SetZEKMessage(message);
    (*linkRecordHandle)->callback(linkRecordHandle);
    return GetZEKResult();
}

void SetRecordItemCount(int32_t count)
{
    (*linkRecordHandle)->itemCount = static_cast<int16_t>(count);
}

int64_t InvokeHost0(int32_t message)
{
    return InvokeHostWords(message, nullptr, 0);
}

int64_t InvokeHost1(int32_t message, uint64_t a1)
{
    const uint64_t w[] = {a1};
    return InvokeHostWords(message, w, 1);
}

int64_t InvokeHost2(int32_t message, uint64_t a1, uint64_t a2)
{
    const uint64_t w[] = {a1, a2};
    return InvokeHostWords(message, w, 2);
}

int64_t InvokeHost3(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3)
{
    const uint64_t w[] = {a1, a2, a3};
    return InvokeHostWords(message, w, 3);
}

int64_t InvokeHost4(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4)
{
    const uint64_t w[] = {a1, a2, a3, a4};
    return InvokeHostWords(message, w, 4);
}

int64_t InvokeHost5(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5)
{
    const uint64_t w[] = {a1, a2, a3, a4, a5};
    return InvokeHostWords(message, w, 5);
}

int64_t InvokeHost6(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5, uint64_t a6)
{
    const uint64_t w[] = {a1, a2, a3, a4, a5, a6};
    return InvokeHostWords(message, w, 6);
}

int64_t InvokeHost7(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5, uint64_t a6,
                    uint64_t a7)
{
    const uint64_t w[] = {a1, a2, a3, a4, a5, a6, a7};
    return InvokeHostWords(message, w, 7);
}

int64_t InvokeHost8(int32_t message, uint64_t a1, uint64_t a2, uint64_t a3, uint64_t a4, uint64_t a5, uint64_t a6,
                    uint64_t a7, uint64_t a8)
{
    const uint64_t w[] = {a1, a2, a3, a4, a5, a6, a7, a8};
    return InvokeHostWords(message, w, 8);
}
