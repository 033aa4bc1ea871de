// The main-thread rule, its throttled warning, the abort poll and SpinProcess.
#include <thread>

#include "bridge/abort_poll.h"
#include "bridge/host_dispatch.h"
#include "bridge/host_services.h"
#include "bridge/link_record_access.h"
#include "bridge/main_thread.h"
#include "tests/bridge_fixture.h"

namespace {

template <typename Fn>
auto OnOtherThread(Fn fn)
{
    decltype(fn()) result{};
    std::thread([&] { result = fn(); }).join();
    return result;
}

class BridgeThread : public BridgeTest {};

TEST_F(BridgeThread, WarningIsThrottledTo3600Ticks)
{
    StartHost(HostConfig());
    EXPECT_EQ(VerifyOnMainThread("Anything"), 1);

    HostSetTick(3599);  // the stamp starts at 0: nothing shows below 3600
    EXPECT_EQ(OnOtherThread([] { return VerifyOnMainThread("WaveList"); }), 0);
    EXPECT_TRUE(CapturedAlerts().empty());

    HostSetTick(4000);
    OnOtherThread([] { return VerifyOnMainThread("WaveList"); });
    HostSetTick(4100);
    OnOtherThread([] { return VerifyOnMainThread("PathList"); });  // shared throttle
    ASSERT_EQ(CapturedAlerts().size(), 1u);
    EXPECT_EQ(CapturedAlerts()[0].title, "Emergency");
    EXPECT_EQ(CapturedAlerts()[0].text, "BUG: WaveList is not threadsafe.\r");

    HostSetTick(7599);
    OnOtherThread([] { return VerifyOnMainThread("WaveList"); });
    EXPECT_EQ(CapturedAlerts().size(), 1u);
    HostSetTick(7600);
    OnOtherThread([] { return VerifyOnMainThread("DoUpdate"); });
    ASSERT_EQ(CapturedAlerts().size(), 2u);
    EXPECT_EQ(CapturedAlerts()[1].text, "BUG: DoUpdate is not threadsafe.\r");
}

TEST_F(BridgeThread, LongRoutineNamesAreCutTo255Characters)
{
    StartHost(HostConfig());
    HostSetTick(5000);
    static const std::string longName(400, 'n');
    OnOtherThread([] { return VerifyOnMainThread(longName.c_str()); });
    ASSERT_EQ(CapturedAlerts().size(), 1u);
    EXPECT_EQ(CapturedAlerts()[0].text.size(), 255u);
}

TEST_F(BridgeThread, RegisterOperationOffTheMainThreadNeverReachesTheHost)
{
    StartHost(HostConfig());
    HostClearCallLog();
    int32_t code = OnOtherThread([] { return RegisterOperation("Op wave:w", "", "", 24, &hostVersion, 0); });
    EXPECT_EQ(code, 978);
    EXPECT_TRUE(HostCallsWithMessage(187).empty());
}

TEST_F(BridgeThread, RecordAccessorsWarnButCarryOn)
{
    HostConfig old;
    old.versionWord = 6100;
    StartHost(old);
    HostSetTick(4000);
    HostClearCallLog();
    OnOtherThread([] { return InvokeHost0(48); });
    EXPECT_EQ(HostCallsWithMessage(48).size(), 1u);  // the call is still made
    ASSERT_EQ(CapturedAlerts().size(), 1u);
    EXPECT_EQ(CapturedAlerts()[0].text, "BUG: SetZEKResult is not threadsafe.\r");
}

TEST_F(BridgeThread, SpinProcessOffTheMainThreadDependsOnVersion620)
{
    struct Case {
        int32_t word;
        int64_t result;
        size_t calls;
    };
    for (const Case& c : {Case{6100, -1, 0}, Case{6200, 0, 1}, Case{8000, 0, 1}}) {
        HostConfig config;
        config.versionWord = c.word;
        StartHost(config);
        HostClearCallLog();
        EXPECT_EQ(OnOtherThread([] { return SpinProcess(); }), c.result) << c.word;
        EXPECT_EQ(HostCallsWithMessage(48).size(), c.calls) << c.word;
        HostClearCallLog();
        EXPECT_EQ(SpinProcess(), 0);  // on the main thread it always calls
        EXPECT_EQ(HostCallsWithMessage(48).size(), 1u);
    }
}

// Key state for the abort poll: which keys are held.
bool breakHeld = false, altHeld = false, breakPressedSince = false;

int16_t Keys(int32_t vk)
{
    if (vk == PLATFORM_VK_CANCEL) return int16_t((breakHeld ? 0x8000 : 0) | (breakPressedSince ? 1 : 0));
    if (vk == PLATFORM_VK_MENU) return int16_t(altHeld ? 0x8000 : 0);
    return 0;
}

TEST_F(BridgeThread, AbortPollLooksAtTheKeysAtMostEverySixTicks)
{
    StartHost(HostConfig());
    PlatformSetKeyStateSource(Keys);
    struct Step {
        uint32_t tick;
        uint32_t deadline;
        bool breakKey, alt, pressedSince;
        int32_t expect;
    };
    const Step steps[] = {
        {5, 0, true, false, false, 0},     // below 0 + 6: not evaluated
        {6, 0, true, false, false, -1},    // Break held
        {10, 0, true, false, false, 0},    // within 5 ticks of the last look
        {12, 0, true, true, false, 0},     // Break with Alt is no abort
        {18, 0, false, false, true, -1},   // pressed since the last query
        {24, 20, true, false, false, 1},   // deadline passed wins
        {30, 30, false, false, false, 0},  // not past the deadline yet
        {36, 0, false, false, false, 0},   // no deadline never gives 1
    };
    for (const Step& s : steps) {
        HostSetTick(s.tick);
        breakHeld = s.breakKey;
        altHeld = s.alt;
        breakPressedSince = s.pressedSince;
        EXPECT_EQ(PollUserAbort(s.deadline), s.expect) << "tick " << s.tick;
    }
    EXPECT_EQ(lastAbortPollTick, 36u);
}

}  // namespace
