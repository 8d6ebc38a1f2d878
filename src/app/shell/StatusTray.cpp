#include "shell/StatusTray.h"

#include <QMenu>

namespace verandel {

namespace {

// A tray slot is 16 to 32 px; the smallest is enough to see whether anything is drawn.
constexpr int probeSize = 22;

} // namespace

StatusTray::StatusTray(QIcon icon, std::optional<QString> debugProfileName, QMenu *menu, LoggerPtr logger,
                       QObject *parent)
    : QObject(parent)
    , m_tray(std::make_unique<QSystemTrayIcon>(std::move(icon)))
    , m_debugProfileName(debugProfileName && !debugProfileName->isEmpty() ? debugProfileName : std::nullopt)
    , m_logger(std::move(logger))
{
    m_tray->setToolTip(m_debugProfileName
                           ? QStringLiteral("Verandel (Debug Profile: ") + *m_debugProfileName + QLatin1Char(')')
                           : QStringLiteral("Verandel"));
    m_tray->setContextMenu(menu);
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            Q_EMIT activated();
        }
    });
}

StatusTray::~StatusTray() = default;

bool StatusTray::rendersVisibly(const QIcon &icon, const QString &name, LoggerProtocol &logger)
{
    const QImage image = icon.pixmap(probeSize, probeSize).toImage();
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; ++y) {
        for (int x = 0; x < image.width() && !drawn; ++x) {
            drawn = qAlpha(image.pixel(x, y)) > 0;
        }
    }
    if (!drawn) {
        logger.error(QStringLiteral("Icon renders empty: ") + name
                     + QStringLiteral(" (is Qt's SVG plugin, package libqt6svg6, installed?)"));
    }
    return drawn;
}

void StatusTray::show()
{
    m_tray->show();
}

bool StatusTray::isVisible() const
{
    return m_tray->isVisible();
}

void StatusTray::setIcon(const QIcon &icon)
{
    m_tray->setIcon(icon);
}

void StatusTray::setToolTip(const QString &toolTip)
{
    m_tray->setToolTip(m_debugProfileName
                           ? toolTip + QStringLiteral(" (Debug Profile: ") + *m_debugProfileName + QLatin1Char(')')
                           : toolTip);
}

} // namespace verandel
