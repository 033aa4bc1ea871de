// The two call mechanisms, byte for byte, and the choice between them.
#include <cstring>

#include "bridge/host_dispatch.h"
#include "bridge/link_record_access.h"
#include "tests/bridge_fixture.h"

namespace {

// Fields of the packed link record are compared as values (unary +): they are not aligned.

// The pattern left in item slot i, which the block mechanism must not touch.
int64_t SlotPattern(int i)
{
    return 0x0101010101010101 * (i + 1);
}

HostConfig HostOfVersion(int32_t hundredths, bool acceptsBlock = true)
{
    HostConfig config;
    config.versionWord = hundredths * 10;
    config.acceptCallbackBlock = acceptsBlock;
    return config;
}

template <typename T>
T BlockField(const HostCall& call, size_t offset)
{
    T value;
    std::memcpy(&value, call.blockBytes + offset, sizeof value);
    return value;
}

class BridgeDispatch : public BridgeTest {
protected:
    // Fills the record's message and item slots with a pattern the block mechanism must not touch.
    void MarkRecord()
    {
        HostLinkRecord* record = HostRecord();
        record->message = 0x5A5A;
        record->itemCount = 7;
        for (int i = 0; i < LINK_RECORD_ITEM_SLOTS; ++i) record->items[i] = SlotPattern(i);
    }
};

TEST_F(BridgeDispatch, BlockMechanismSendsA68ByteVersion1000Block)
{
    StartHost(HostOfVersion(800));
    ASSERT_EQ(useCallbackBlock, 1);
    MarkRecord();
    HostClearCallLog();
    InvokeHost3(1234, WordFromInt(-5), WordFromUInt(0xFFFFFFFFu), WordFromAddress(&hostVersion));

    std::vector<HostCall> calls = HostCallLog();
    ASSERT_EQ(calls.size(), 1u);
    const HostCall& call = calls[0];
    EXPECT_EQ(call.road, HOST_ROAD_BLOCK);
    EXPECT_EQ(BlockField<int32_t>(call, 0), 1000);
    EXPECT_EQ(BlockField<HostLinkHandle>(call, 4), HostLinkRecordHandle());
    EXPECT_EQ(BlockField<int32_t>(call, 12), 1234);
    EXPECT_EQ(BlockField<int32_t>(call, 16), 3);
    EXPECT_NE(BlockField<uint64_t>(call, 20), 0u);
    for (size_t offset = 28; offset < 60; offset += 8) EXPECT_EQ(BlockField<uint64_t>(call, offset), 0u) << offset;
    EXPECT_EQ(call.args[0], 0xFFFFFFFFFFFFFFFBull);  // sign-extended
    EXPECT_EQ(call.args[1], 0x00000000FFFFFFFFull);  // zero-extended
    EXPECT_EQ(call.args[2], reinterpret_cast<uintptr_t>(&hostVersion));

    HostLinkRecord* record = HostRecord();
    EXPECT_EQ(+record->message, 0x5A5A);
    EXPECT_EQ(+record->itemCount, 7);
    for (int i = 0; i < LINK_RECORD_ITEM_SLOTS; ++i) EXPECT_EQ(+record->items[i], SlotPattern(i));
}

TEST_F(BridgeDispatch, BlockWithoutArgumentsHasNullArgumentAddress)
{
    StartHost(HostOfVersion(800));
    HostClearCallLog();
    EXPECT_EQ(InvokeHost0(48), 0);
    std::vector<HostCall> calls = HostCallLog();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(BlockField<int32_t>(calls[0], 16), 0);
    EXPECT_EQ(BlockField<uint64_t>(calls[0], 20), 0u);
}

TEST_F(BridgeDispatch, RecordMechanismFillsExactlyNSlots)
{
    StartHost(HostOfVersion(610));
    EXPECT_TRUE(HostCallsWithMessage(221).empty());
    ASSERT_EQ(useCallbackBlock, 0);
    for (int n = 0; n <= 8; ++n) {
        MarkRecord();
        HostClearCallLog();
        uint64_t w[8];
        for (int i = 0; i < 8; ++i) w[i] = WordFromInt(-(i + 1));
        InvokeHostWords(0x12345, w, n);  // only the low 16 bits travel through the record
        std::vector<HostCall> calls = HostCallLog();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].road, HOST_ROAD_RECORD);
        EXPECT_EQ(calls[0].message, 0x2345);
        HostLinkRecord* record = HostRecord();
        EXPECT_EQ(+record->itemCount, n);
        for (int i = 0; i < n; ++i) EXPECT_EQ(+record->items[i], -(i + 1)) << "n=" << n << " slot " << i;
        for (int i = n; i < 8; ++i) EXPECT_EQ(+record->items[i], SlotPattern(i)) << "n=" << n;
        EXPECT_EQ(+record->result, HOST_ERR_UNSERVED_MESSAGE);  // the host's answer comes back
    }
}

TEST_F(BridgeDispatch, MechanismSwitchesAt620WhenTheHostAccepts)
{
    struct Case {
        int32_t version;
        bool accepts;
        bool asks221;
        int32_t expectBlock;
    };
    const Case cases[] = {
        {619, true, false, 0},
        {620, true, true, 1},
        {620, false, true, 0},
        {800, false, true, 0},
        {800, true, true, 1},
    };
    for (const Case& c : cases) {
        StartHost(HostOfVersion(c.version, c.accepts));
        std::vector<HostCall> asked = HostCallsWithMessage(221);
        EXPECT_EQ(asked.size(), c.asks221 ? 1u : 0u) << c.version;
        if (c.asks221) {
            EXPECT_EQ(asked[0].road, HOST_ROAD_RECORD);  // still through the record
            EXPECT_EQ(asked[0].argCount, 1);
            EXPECT_EQ(asked[0].args[0], 1u);
        }
        EXPECT_EQ(useCallbackBlock, c.expectBlock) << c.version;
        HostClearCallLog();
        InvokeHost0(48);
        EXPECT_EQ(HostCallLog().at(0).road, c.expectBlock ? HOST_ROAD_BLOCK : HOST_ROAD_RECORD);
    }
}

TEST_F(BridgeDispatch, RecordItemsAreReadWithinTheirCount)
{
    StartHost(HostOfVersion(800));
    HostLinkRecord* record = HostRecord();
    record->itemCount = 2;
    record->items[0] = 11;
    record->items[1] = 22;
    record->items[2] = 33;
    EXPECT_EQ(GetZEKItem(0), 11);
    EXPECT_EQ(GetZEKItem(1), 22);
    EXPECT_EQ(GetZEKItem(2), 0);
    EXPECT_EQ(GetZEKItem(-1), 0);
    record->message = -2;
    EXPECT_EQ(GetZEKMessage(), -2);
    record->status = 77;
    EXPECT_EQ(GetZEKStatus(), 77);
    SetZEKType(9);
    EXPECT_EQ(+record->moduleType, 9);
}

}  // namespace
