// A program that relaunches itself the way an installed update does, for the relaunch test:
//   relaunch_probe <folder>              quits through DetachedRelauncher, which starts it again with
//                                        the handoff arguments, then lingers a moment before it ends
//   relaunch_probe <handoff...> <folder> waits for the old process and writes "<old pid> ended" or
//                                        "<old pid> still running" into <folder>/relaunched
#include "update/DetachedRelauncher.h"
#include "update/RelaunchHandoff.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <thread>

using namespace verandel;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const QString folder = arguments.value(arguments.size() - 1);
    if (const std::optional<qint64> oldPid = RelaunchHandoff::oldPid(arguments)) {
        const bool ended = RelaunchHandoff::waitForProcessEnd(*oldPid);
        QFile result(folder + QStringLiteral("/relaunched"));
        if (!result.open(QIODevice::WriteOnly)) {
            return 1;
        }
        result.write(QByteArray::number(*oldPid) + (ended ? " ended" : " still running"));
        return 0;
    }
    DetachedRelauncher relauncher;
    QTimer::singleShot(0, &app, [&relauncher, folder] {
        relauncher.relaunch(QCoreApplication::applicationFilePath(),
                            RelaunchHandoff::arguments(QCoreApplication::applicationPid()) + QStringList{folder});
    });
    const int status = app.exec();
    // The shutdown's tail: the new process must not go on before this one is gone.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return status;
}
