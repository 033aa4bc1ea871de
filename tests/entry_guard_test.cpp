// Exceptions never cross into the host: they become an error code and a notice.
#include <opencv2/core.hpp>
#include <stdexcept>

#include "bridge/entry_guard.h"
#include "tests/bridge_fixture.h"

namespace {

class EntryGuard : public BridgeTest {};

TEST_F(EntryGuard, ExceptionsBecomeTheFailureCodeAndANotice)
{
    StartHost(HostConfig());
    struct Case {
        void (*thrower)();
        const char* notice;
    };
    const Case cases[] = {
        {[] { throw std::bad_alloc(); }, "Drevlin: out of memory\r"},
        {[] { throw std::runtime_error("boom"); }, "Drevlin: boom\r"},
        {[] { throw 42; }, "Drevlin: unknown internal error\r"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GuardHostEntry(10002, [&] { return c.thrower(), 0; }), 10002);
        ASSERT_FALSE(HostNotices().empty());
        EXPECT_EQ(HostNotices().back(), c.notice);
    }
    // OpenCV's errors are std::exceptions and carry their message to the notice.
    EXPECT_EQ(GuardHostEntry(10002, [] { return CV_Error(cv::Error::StsBadArg, "bad frame"), 0; }), 10002);
    EXPECT_NE(HostNotices().back().find("bad frame"), std::string::npos);
    EXPECT_EQ(GuardHostEntry(10002, [] { return 7; }), 7);  // codes pass through unchanged
}

}  // namespace
