#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs the binary at build time without ctest's environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // Nothing a test does may touch the user's real data directories.
    QStandardPaths::setTestModeEnabled(true);
    const int result = RUN_ALL_TESTS();
    // Cancelled sleeps resume from the event loop (a posted call, or a timer made due at once); let
    // the last test's finish and free what they hold, so the leak check sees only real leaks.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return result;
}
