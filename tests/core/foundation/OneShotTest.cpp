#include "foundation/OneShot.h"

#include "support/DestroyableFrame.h"
#include "support/RunTask.h"

#include <gtest/gtest.h>

#include <thread>

using namespace verandel;

namespace {

test::DestroyableFrame awaitAnswer(OneShot<int> answer, std::optional<int> &received)
{
    received = co_await answer;
}

} // namespace

TEST(OneShotTest, TheWaiterResumesFromTheLoopOnlyOnceWhicheverSideAnswers)
{
    const struct
    {
        const char *name;
        bool fromAnotherThread;
    } cases[] = {{"the loop's thread", false}, {"another thread", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        OneShot<int> answer;
        std::optional<int> received;
        test::DestroyableFrame waiter = awaitAnswer(answer, received);
        if (c.fromAnotherThread) {
            std::thread([answer]() mutable { answer.answer(7); }).join();
        } else {
            EXPECT_TRUE(answer.answer(7));
        }
        EXPECT_FALSE(received) << "resumed inside the call that answered";
        EXPECT_FALSE(answer.answer(8));
        ASSERT_TRUE(test::waitUntil([&] { return received.has_value(); }));
        EXPECT_EQ(*received, 7);
        EXPECT_TRUE(waiter.handle.done());
        waiter.handle.destroy();
    }
}

TEST(OneShotTest, AWaiterDestroyedBeforeTheLoopResumesItIsNeverResumed)
{
    OneShot<int> answer;
    std::optional<int> received;
    test::DestroyableFrame waiter = awaitAnswer(answer, received);
    answer.answer(7);
    waiter.handle.destroy();
    test::settle();
    QTest::qWait(5);
    EXPECT_FALSE(received);
}
