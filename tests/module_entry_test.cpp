// ZEKMain in the stand-in host: version refusal, registration, later messages.
#include <cstring>

#include "bridge/host_exports.h"

#include "host/module_resources.h"
#include "tests/module_fixture.h"

namespace {

class ModuleEntry : public ModuleTest {};

TEST_F(ModuleEntry, HostBefore800IsRefusedWith10001)
{
    HostConfig config;
    config.versionWord = 7990;
    Load(config);
    EXPECT_EQ(zekMainReturn, 1);
    EXPECT_EQ(zekResult, 10001);
    EXPECT_EQ(HostErrorMessage(10001), "Drevlin requires Tavra 8.00 or later.");
    EXPECT_TRUE(HostCallsWithMessage(187).empty());
    EXPECT_TRUE(HostRegisteredOperations().empty());
    ZEKEntryProc entry = HostRecord()->entry;  // copied: the packed field is not aligned
    EXPECT_NE(entry, nullptr);                 // the message routine is installed first
}

TEST_F(ModuleEntry, Host800RegistersBothOperations)
{
    HostConfig config;
    config.versionWord = 8000;
    Load(config);
    EXPECT_EQ(zekMainReturn, 0);
    EXPECT_EQ(zekResult, 0);
    std::vector<HostCall> registrations = HostCallsWithMessage(187);
    ASSERT_EQ(registrations.size(), 2u);
    const char* expected[] = {
        "DrevlinFarneback /PS=number:pyr_scale /L=number:levels /W=number:winsize /N=number:iterations /G "
        "/POLY={number:poly_n, number:poly_sigma} /PXL wave:waveH",
        "DrevlinDIS /PRST=number:preset /PXL wave:waveH"};
    const uint64_t sizes[] = {124, 44};
    for (size_t i = 0; i < 2; ++i) {
        const HostCall& call = registrations[i];
        EXPECT_EQ(call.road, HOST_ROAD_BLOCK);
        ASSERT_EQ(call.argCount, 6);
        EXPECT_STREQ(reinterpret_cast<const char*>(call.args[0]), expected[i]);
        EXPECT_STREQ(reinterpret_cast<const char*>(call.args[1]), "");
        EXPECT_STREQ(reinterpret_cast<const char*>(call.args[2]), "");
        EXPECT_EQ(call.args[3], sizes[i]);
        EXPECT_NE(call.args[4], 0u);
        EXPECT_EQ(call.args[5], 0u);
    }
    std::vector<HostOperationInfo> ops = HostRegisteredOperations();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].name, "DrevlinFarneback");
    EXPECT_EQ(ops[1].name, "DrevlinDIS");
}

TEST_F(ModuleEntry, RegistrationFailuresStopAtTheFirstCode)
{
    struct Case {
        int32_t refuse;
        size_t calls;
        size_t registered;
    };
    for (const Case& c : {Case{1, 1, 0}, Case{2, 2, 1}}) {
        HostConfig config;
        config.refuseRegistration = c.refuse;
        config.registrationError = 4321;
        Load(config);
        EXPECT_EQ(zekMainReturn, 1);
        EXPECT_EQ(zekResult, 4321);
        EXPECT_EQ(HostCallsWithMessage(187).size(), c.calls);
        EXPECT_EQ(HostRegisteredOperations().size(), c.registered);  // nothing is undone
    }
}

TEST_F(ModuleEntry, LaterMessagesAreAnsweredWithZero)
{
    Load();
    for (int16_t message : {int16_t(1), int16_t(2), int16_t(17), int16_t(-3)}) {
        HostRecord()->result = 99;
        EXPECT_EQ(HostSendModuleMessage(message, {5, 6}), 0) << message;
    }
}

TEST_F(ModuleEntry, EachLoadStartsWithFreshModuleState)
{
    Load();  // an 8.00 host that takes blocks
    ASSERT_EQ(zekResult, 0);
    HostConfig old;
    old.versionWord = 6100;
    Load(old);  // stale bridge state would keep sending blocks, which this host refuses
    EXPECT_EQ(zekResult, 10001);
    for (const HostCall& call : HostCallLog()) {
        if (call.message < 0) continue;  // exports and table functions
        EXPECT_EQ(call.road, HOST_ROAD_RECORD) << call.message;
    }
}

TEST_F(ModuleEntry, HostReadsTheModulesTextList)
{
    Load();
    char buffer[256];
    struct Case {
        int32_t list, index;
        const char* text;
    };
    for (const Case& c : {Case{1100, 1, "Drevlin requires Tavra 8.00 or later."}, Case{1100, 0, ""},
                          Case{1100, 999, ""}, Case{1101, 1, ""}}) {
        std::strcpy(buffer, "stale");
        GetWinIndString(HostLoadedModuleHandle(), buffer, c.list, c.index);
        EXPECT_STREQ(buffer, c.text) << c.list << "/" << c.index;
    }
    EXPECT_EQ(LoadedModuleResources().moduleInfo, (std::vector<uint16_t>{4, 0, 2, 0, 802}));
    ASSERT_EQ(LoadedModuleResources().operations.size(), 2u);
    EXPECT_EQ(LoadedModuleResources().operations[1].flags, 0x62);
}

}  // namespace
