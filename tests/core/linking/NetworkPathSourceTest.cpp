#include "linking/NetworkPathSource.h"

#include <QCoreApplication>
#include <QNetworkInformation>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;

TEST(NetworkPathSourceTest, ThePathIsReportedOnceFromTheEventLoop)
{
    NetworkPathSource source;
    QSignalSpy reports(&source, &NetworkPathSourceProtocol::pathUpdated);
    source.start();
    source.start();
    EXPECT_EQ(reports.count(), 0) << "nothing is reported inside start()";
    QCoreApplication::processEvents();
    ASSERT_EQ(reports.count(), 1);
    // Without a backend the path counts as usable; with one, everything but "disconnected" is.
    const QNetworkInformation *information = QNetworkInformation::instance();
    const bool expected
        = !information || information->reachability() != QNetworkInformation::Reachability::Disconnected;
    EXPECT_EQ(reports.first().first().toBool(), expected);
    EXPECT_EQ(source.isSatisfied(), expected);
}
