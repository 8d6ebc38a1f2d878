#include "shell/SignalQuitNotifier.h"

#include "support/RunTask.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <csignal>

using namespace verandel;
using namespace verandel::test;

namespace {

// A logout's SIGTERM (and SIGINT, SIGHUP) arrives as an event instead of ending the process.
TEST(SignalQuitNotifierTest, QuitSignalsReachTheEventLoopInsteadOfEndingTheProcess)
{
    SignalQuitNotifier notifier;
    ASSERT_TRUE(notifier.isInstalled());
    QSignalSpy received(&notifier, &SignalQuitNotifier::signalReceived);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP, SIGTERM}) {
        ASSERT_EQ(::raise(signalNumber), 0);
    }
    ASSERT_TRUE(waitUntil([&] { return received.count() == 4; }));
    EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(received.at(1).at(0).toInt(), SIGINT);
    EXPECT_EQ(received.at(2).at(0).toInt(), SIGHUP);
}

} // namespace
