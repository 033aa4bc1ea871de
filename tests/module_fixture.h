// Test fixture that loads the real module file into the stand-in host, as Tavra would.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "host/host_operations.h"
#include "host/module_loader.h"
#include "host/stand_in_host.h"

class ModuleTest : public ::testing::Test {
protected:
    void TearDown() override { HostReset(); }

    // Resets the host with the configuration and loads a fresh copy of the module's state.
    void Load(const HostConfig& config = HostConfig())
    {
        HostReset(config);
        std::string error;
        ASSERT_EQ(HostLoadModule(DREVLIN_ZEK_PATH, &zekMainReturn, &zekResult, &error), 0) << error;
    }

    // Runs a command line and returns the operation's code.
    int32_t Run(const std::string& command)
    {
        std::string error;
        int32_t code = HostRunCommand(command, &error);
        lastError = error;
        return code;
    }

    int32_t zekMainReturn = -1;
    int64_t zekResult = -1;
    std::string lastError;
};
