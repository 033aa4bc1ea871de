// Test fixture: a fresh stand-in host and fresh bridge state, initialised through ZEKInit.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/bridge_state.h"
#include "bridge/zek_init.h"
#include "host/stand_in_host.h"
#include "platform/key_state.h"
#include "platform/message_box.h"

// Alerts shown through the platform's message box during a test.
struct CapturedAlert {
    std::string title;
    std::string text;
};

std::vector<CapturedAlert>& CapturedAlerts();

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Resets host and bridge, then runs ZEKInit as the module would.
    void StartHost(const HostConfig& config);
};
