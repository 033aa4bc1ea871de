// The bridge fixture's plumbing.
#include "tests/bridge_fixture.h"

std::vector<CapturedAlert>& CapturedAlerts()
{
    static std::vector<CapturedAlert> alerts;
    return alerts;
}

static int32_t CaptureAlert(void*, const char* text, const char* title, uint32_t)
{
    CapturedAlerts().push_back({title ? title : "", text ? text : ""});
    return PLATFORM_IDOK;
}

void BridgeTest::SetUp()
{
    CapturedAlerts().clear();
    PlatformSetMessageBoxSink(CaptureAlert);
    PlatformSetKeyStateSource(nullptr);
}

void BridgeTest::TearDown()
{
    PlatformSetMessageBoxSink(nullptr);
    PlatformSetKeyStateSource(nullptr);
    ResetBridgeState();
    HostReset();
}

void BridgeTest::StartHost(const HostConfig& config)
{
    ResetBridgeState();
    HostReset(config);
    ZEKInit(HostLinkRecordHandle());
}
