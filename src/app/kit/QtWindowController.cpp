#include "kit/QtWindowController.h"

#include <QEvent>

namespace verandel {

QtWindowController::QtWindowController(std::unique_ptr<QWidget> window, QString autosaveName, QSettings *settings,
                                       QObject *parent)
    : QObject(parent)
    , m_window(window.release())
    , m_autosaveName(std::move(autosaveName))
    , m_settings(settings)
{
    // The focus is taken only by an activating presentation, explicitly.
    m_window->setAttribute(Qt::WA_ShowWithoutActivating);
    m_window->installEventFilter(this);
    if (m_settings) {
        const QByteArray geometry = m_settings->value(settingsKey()).toByteArray();
        if (!geometry.isEmpty()) {
            m_restoredFrame = m_window->restoreGeometry(geometry);
        }
    }
}

// The controller may go while its window is still in its close event: the window goes afterwards.
QtWindowController::~QtWindowController()
{
    if (m_window) {
        m_window->removeEventFilter(this);
        m_window->hide();
        m_window->deleteLater();
    }
}

QString QtWindowController::settingsKey() const
{
    return QStringLiteral("WindowFrames/") + m_autosaveName;
}

void QtWindowController::showWindow()
{
    if (m_window) {
        m_window->show();
    }
}

void QtWindowController::makeKeyAndOrderFront()
{
    m_window->raise();
    m_window->activateWindow();
}

void QtWindowController::close()
{
    m_window->close();
}

bool QtWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close) {
        if (m_settings) {
            m_settings->setValue(settingsKey(), m_window->saveGeometry());
        }
        // A handler may drop this controller: nothing of it is touched after the signal.
        Q_EMIT windowClosing();
        return false;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace verandel
