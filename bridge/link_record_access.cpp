// Field accessors of the HostLinkRecord; the record's address is read from the handle afresh each time.
#include "bridge/link_record_access.h"

#include "bridge/bridge_state.h"
#include "bridge/main_thread.h"

static HostLinkRecord* Record()
{
    return *linkRecordHandle;
}

void SetZEKType(int32_t type)
{
    VerifyOnMainThread("SetZEKType");
    Record()->moduleType = type;
}

void SetZEKEntry(ZEKEntryProc routine)
{
    VerifyOnMainThread("SetZEKEntry");
    Record()->entry = routine;
}

void SetZEKMessage(int32_t code)
{
    VerifyOnMainThread("SetZEKMessage");
    Record()->message = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(code) & 0xFFFFu));
}

void SetZEKResult(int64_t value)
{
    VerifyOnMainThread("SetZEKResult");
    Record()->result = value;
}

int32_t GetZEKMessage()
{
    VerifyOnMainThread("GetZEKMessage");
    return Record()->message;
}

int64_t GetZEKResult()
{
    VerifyOnMainThread("GetZEKResult");
    return Record()->result;
}

int32_t GetZEKStatus()
{
    VerifyOnMainThread("GetZEKStatus");
    return Record()->status;
}

int64_t GetZEKItem(int32_t index)
{
    VerifyOnMainThread("GetZEKItem");
    HostLinkRecord* record = Record();
    if (index < 0 || index >= record->itemCount) return 0;
    return record->items[index];
}
