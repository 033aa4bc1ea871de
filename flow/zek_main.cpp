// ZEKMain and the module's message routine.
#include "flow/zek_main.h"

#include "bridge/bridge_state.h"
#include "bridge/entry_guard.h"
#include "bridge/error_codes.h"
#include "bridge/link_record_access.h"
#include "bridge/zek_init.h"
#include "flow/flow_errors.h"
#include "flow/operation_registration.h"

static int32_t StartModule(HostLinkHandle linkRecord)
{
    ZEKInit(linkRecord);
    SetZEKEntry(&ModuleMessageEntry);
    if (hostVersion < 800) {
        SetZEKResult(ERR_HOST_TOO_OLD);
        return 1;
    }
    int32_t err = RegisterAllOperations();
    SetZEKResult(err);
    return err == 0 ? 0 : 1;
}

extern "C" int32_t ZEKMain(HostLinkHandle linkRecord)
{
    int32_t code = GuardHostEntry(FLOW_ERR_OPENCV, [&] { return StartModule(linkRecord) == 0 ? 0 : -1; });
    if (code == 0) return 0;
    if (code != -1) SetZEKResult(code);  // an exception escaped start-up
    return 1;
}

extern "C" void ModuleMessageEntry(void)
{
    SetZEKResult(0);
}
