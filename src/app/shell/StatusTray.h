#pragma once

#include "tray/StatusIconSink.h"

#include "foundation/LoggerProtocol.h"

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

class QMenu;

namespace verandel {

// The program's one tray icon: the logo (or the transfer feedback's picture), the tool tip, the status
// menu on a right click, and a left click routed as a reopen. Qt embeds it by itself once a tray host
// appears, also after the host restarts.
class StatusTray final : public QObject, public StatusIconSink
{
    Q_OBJECT

public:
    // The application's icon as a Qt resource, also the tray's idle picture.
    static inline const QString applicationIconPath = QStringLiteral(":/app/com.verandel.Verandel.svg");

    // A debug profile's name follows every tool tip, so two instances' icons tell which is which.
    StatusTray(QIcon icon, std::optional<QString> debugProfileName, QMenu *menu, LoggerPtr logger,
               QObject *parent = nullptr);
    ~StatusTray() override;

    // An SVG icon is drawn through a plugin (libqt6svg6) that no library dependency pulls in: without
    // it the icon is not null but draws nothing. Logs an error naming the icon then; true when it draws.
    static bool rendersVisibly(const QIcon &icon, const QString &name, LoggerProtocol &logger);

    void show();
    bool isVisible() const;
    void setIcon(const QIcon &icon) override;
    void setToolTip(const QString &toolTip) override;
    QSystemTrayIcon &trayIcon() { return *m_tray; }

Q_SIGNALS:
    // A left click (or a double click) on the icon.
    void activated();

private:
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::optional<QString> m_debugProfileName;
    LoggerPtr m_logger;
};

} // namespace verandel
