// Module handles through the host's exports.
#include "bridge/module_handles.h"

#include "bridge/bridge_state.h"

void* HostModuleHandle()
{
    return GetTavraModule();
}

void* OwnModuleHandle()
{
    return GetZEKModule(linkRecordHandle);
}
