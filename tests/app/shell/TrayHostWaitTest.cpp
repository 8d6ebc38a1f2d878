#include "shell/TrayHostWait.h"

#include "support/ManualClock.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

struct WaitCase
{
    const char *name;
    bool atLogin;
    // When the host appears, in virtual seconds after launch; none: never.
    std::optional<double> hostAppearsAt;
    std::optional<bool> answerAt29s;
    bool finalAnswer;
};

TEST(TrayHostWaitTest, ALoginStartWaitsUpToThirtySecondsForATrayHostAndAUserLaunchAsksOnce)
{
    const WaitCase cases[] = {
        {"host there at a user launch", false, 0.0, true, true},
        {"no host at a user launch", false, std::nullopt, false, false},
        {"host there at login", true, 0.0, true, true},
        {"panel starts after 12 s at login", true, 12.0, true, true},
        {"no panel at login", true, std::nullopt, std::nullopt, false},
        {"panel starts after the wait", true, 31.0, std::nullopt, false},
    };
    for (const WaitCase &c : cases) {
        auto clock = std::make_shared<ManualClock>();
        const QDateTime launch = clock->now();
        const auto available
            = [&] { return c.hostAppearsAt && launch.msecsTo(clock->now()) >= qint64(*c.hostAppearsAt * 1000); };
        std::optional<bool> answer;
        int answers = 0;
        TrayHostWait wait(clock, available);
        wait.start(c.atLogin, [&](bool isAvailable) {
            answer = isAvailable;
            ++answers;
        });
        clock->advance(29.0);
        EXPECT_EQ(answer, c.answerAt29s) << c.name;
        clock->advance(60.0);
        EXPECT_EQ(answer, c.finalAnswer) << c.name;
        EXPECT_EQ(answers, 1) << c.name;
        EXPECT_FALSE(wait.isWaiting() && clock->sleeperCount() > 0) << c.name;
    }
}

} // namespace
