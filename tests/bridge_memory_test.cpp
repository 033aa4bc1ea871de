// Host memory: the table from 8.00, the exports otherwise, MemError on the export road.
#include <cstring>

#include "bridge/bridge_memory.h"
#include "tests/bridge_fixture.h"

namespace {

class BridgeMemory : public BridgeTest {};

TEST_F(BridgeMemory, TableIsRequestedFrom800Only)
{
    HostConfig config;
    config.versionWord = 7999;
    StartHost(config);
    EXPECT_TRUE(HostCallsWithMessage(292).empty());
    for (uint64_t entry : hostMemoryTable) EXPECT_EQ(entry, 0u);

    config.versionWord = 8000;
    StartHost(config);
    std::vector<HostCall> asked = HostCallsWithMessage(292);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].argCount, 4);
    EXPECT_STREQ(reinterpret_cast<const char*>(asked[0].args[0]), "QVMemoryFunctions");
    EXPECT_EQ(asked[0].args[1], 0u);
    EXPECT_EQ(asked[0].args[2], 800u);
    EXPECT_EQ(asked[0].args[3], reinterpret_cast<uintptr_t>(hostMemoryTable));
    for (uint64_t entry : hostMemoryTable) EXPECT_NE(entry, 0u);
}

TEST_F(BridgeMemory, EachFunctionTakesTheTableWhenItHasAnEntry)
{
    HostConfig config;
    config.memoryTableMask = HOST_MEMORY_TABLE_ALL & ~(1u << 2);  // no SetHandleSize entry
    StartHost(config);
    HostClearCallLog();
    Handle h = BridgeNewHandle(16);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(BridgeGetHandleSize(h), 16);
    EXPECT_EQ(BridgeSetHandleSize(h, 32), 0);
    Handle copy = h;
    EXPECT_EQ(BridgeHandToHand(&copy), 0);
    EXPECT_NE(copy, h);
    BridgeDisposeHandle(copy);
    BridgeDisposeHandle(h);
    Ptr p = BridgeNewPtr(8);
    EXPECT_EQ(BridgeGetPtrSize(p), 8);
    EXPECT_EQ(BridgeSetPtrSize(p, 4), 0);
    BridgeDisposePtr(p);

    for (const HostCall& call : HostCallLog()) {
        bool exportRoad = call.function == "SetHandleSize" || call.function == "MemError";
        EXPECT_EQ(call.road, exportRoad ? HOST_ROAD_EXPORT : HOST_ROAD_MEMORY_TABLE) << call.function;
    }
    EXPECT_EQ(HostCallsOfFunction("SetHandleSize").size(), 1u);
    EXPECT_EQ(HostCallsOfFunction("MemError").size(), 1u);
}

TEST_F(BridgeMemory, BelowVersion800EverythingGoesToTheExports)
{
    HostConfig config;
    config.versionWord = 7000;
    StartHost(config);
    HostClearCallLog();
    Handle h = BridgeNewHandle(4);
    std::memcpy(*h, "abcd", 4);
    EXPECT_EQ(BridgeSetHandleSize(h, 1000), 0);
    EXPECT_EQ(std::memcmp(*h, "abcd", 4), 0);  // contents survive the move
    // A failing resize reports what MemError says right after it.
    EXPECT_EQ(BridgeSetHandleSize(h, -1), HOST_ERR_MEMORY_FULL);
    Ptr p = BridgeNewPtr(4);
    EXPECT_EQ(BridgeSetPtrSize(p, 8), HOST_ERR_MEMORY_FULL);  // pointers cannot grow in place
    BridgeDisposePtr(p);
    BridgeDisposeHandle(h);
    for (const HostCall& call : HostCallLog()) EXPECT_EQ(call.road, HOST_ROAD_EXPORT) << call.function;
    EXPECT_EQ(HostCallsOfFunction("MemError").size(), 3u);
}

TEST_F(BridgeMemory, DisposingNullCallsNothing)
{
    for (uint32_t mask : {HOST_MEMORY_TABLE_ALL, HOST_MEMORY_TABLE_NONE}) {
        HostConfig config;
        config.memoryTableMask = mask;
        StartHost(config);
        HostClearCallLog();
        BridgeDisposePtr(nullptr);
        BridgeDisposeHandle(nullptr);
        EXPECT_TRUE(HostCallLog().empty());
    }
}

TEST_F(BridgeMemory, HostMovesABlockOnResize)
{
    StartHost(HostConfig());
    Handle h = BridgeNewHandle(8);
    char* before = *h;
    ASSERT_EQ(BridgeSetHandleSize(h, 8), 0);
    EXPECT_NE(*h, before);  // a stale address would now point at freed memory
    BridgeDisposeHandle(h);
}

}  // namespace
