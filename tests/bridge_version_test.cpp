// Host version discovery: message 238, the executable's file version, and failures giving 0.
#include <dlfcn.h>

#include "bridge/bridge_memory.h"
#include "bridge/host_version.h"
#include "tests/bridge_fixture.h"

namespace {

class BridgeVersion : public BridgeTest {};

TEST_F(BridgeVersion, AnswerOf238IsTenTimesTheVersion)
{
    struct Case {
        int32_t word;
        int32_t version;
    };
    const Case cases[] = {{8009, 800}, {8000, 800}, {6200, 620}, {-5, 0}, {-15, -1}, {7999, 799}};
    for (const Case& c : cases) {
        HostConfig config;
        config.versionWord = c.word;
        StartHost(config);
        EXPECT_EQ(hostVersion, c.version) << c.word;
        std::vector<HostCall> asked = HostCallsWithMessage(238);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].argCount, 1);
        EXPECT_TRUE(HostCallsOfFunction("GetTavraModule").empty());  // the file is not consulted
    }
}

TEST_F(BridgeVersion, RejectedQueryFallsBackToTheExecutablesFileVersion)
{
    HostConfig config;
    config.answerVersion = false;
    StartHost(config);
    EXPECT_EQ(hostVersion, 804);  // this test executable carries file version 8.0.4.0
    // The version block was borrowed from the host's allocator and given back.
    EXPECT_EQ(HostCallsOfFunction("NewPtr").size(), 1u);
    EXPECT_EQ(HostCallsOfFunction("DisposePtr").size(), 1u);
    EXPECT_EQ(useCallbackBlock, 1);
}

TEST_F(BridgeVersion, FallbackFailuresGiveVersionZero)
{
    HostConfig noModule;
    noModule.answerVersion = false;
    noModule.useExecutableModule = false;
    StartHost(noModule);
    EXPECT_EQ(hostVersion, 0);
    EXPECT_TRUE(HostCallsWithMessage(221).empty());
    EXPECT_TRUE(HostCallsWithMessage(292).empty());

    // A module file without a version block.
    void* library = dlopen("libm.so.6", RTLD_NOW);
    ASSERT_NE(library, nullptr);
    HostConfig noVersion;
    noVersion.answerVersion = false;
    noVersion.executableModule = library;
    StartHost(noVersion);
    EXPECT_EQ(hostVersion, 0);
    dlclose(library);
}

}  // namespace
