// The operations' templates and block sizes, registered from one table.
#include "flow/operation_registration.h"

#include "bridge/host_services.h"
#include "flow/flow_operations.h"
#include "flow/param_blocks.h"

namespace {

struct OperationDefinition {
    const char* commandTemplate;
    int32_t blockSize;
    const void* execute;
};

const OperationDefinition OPERATIONS[] = {
    {"DrevlinFarneback /PS=number:pyr_scale /L=number:levels /W=number:winsize /N=number:iterations /G "
     "/POLY={number:poly_n, number:poly_sigma} /PXL wave:waveH",
     sizeof(FarnebackParamBlock), reinterpret_cast<const void*>(&RunDrevlinFarneback)},
    {"DrevlinDIS /PRST=number:preset /PXL wave:waveH", sizeof(DISParamBlock),
     reinterpret_cast<const void*>(&RunDrevlinDIS)},
};

int32_t Register(const OperationDefinition& op)
{
    return RegisterOperation(op.commandTemplate, "", "", op.blockSize, op.execute, 0);
}

}  // namespace

int32_t RegisterFarnebackOperation()
{
    return Register(OPERATIONS[0]);
}

int32_t RegisterDISOperation()
{
    return Register(OPERATIONS[1]);
}

int32_t RegisterAllOperations()
{
    int32_t err = RegisterFarnebackOperation();
    if (err == 0) err = RegisterDISOperation();
    return err;
}
