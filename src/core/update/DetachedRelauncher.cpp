#include "update/DetachedRelauncher.h"

#include <QCoreApplication>
#include <QProcess>

namespace verandel {

DetachedRelauncher::DetachedRelauncher(std::function<void()> quit)
    : m_quit(std::move(quit))
{ }

void DetachedRelauncher::relaunch(const QString &program, const QStringList &arguments)
{
    QObject::connect(
        QCoreApplication::instance(), &QCoreApplication::aboutToQuit, QCoreApplication::instance(),
        [program, arguments] { QProcess::startDetached(program, arguments); }, Qt::SingleShotConnection);
    if (m_quit) {
        m_quit();
    } else {
        QCoreApplication::quit();
    }
}

} // namespace verandel
