#include "controlcenter/ConnectedMacMenuItem.h"

#include "controlcenter/ConnectionStatusIndicator.h"

#include "models/ConnectionIndicatorPolicy.h"

#include "kit/TextLabel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace verandel {

namespace {

constexpr int indicatorSize = 8;
constexpr int lastSeenSize = 6;

// A solid dot in one indicator colour.
class Dot final : public QWidget
{
public:
    explicit Dot(IndicatorColor color)
        : m_color(color)
    {
        setFixedSize(lastSeenSize, lastSeenSize);
    }
    IndicatorColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ConnectionStatusIndicator::colorOf(m_color, palette()));
        painter.drawEllipse(rect());
    }

private:
    IndicatorColor m_color;
};

} // namespace

ConnectedMacMenuItem::ConnectedMacMenuItem(const ConnectedMac &mac, ConnectionState connectionState,
                                           const QDateTime &now, QWidget *parent)
    : QWidget(parent)
    , m_indicator(new ConnectionStatusIndicator(connectionState))
    , m_name(new TextLabel(TextStyle::Body))
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(ConnectionIndicatorPolicy::accessibleName(mac.displayName(), connectionState));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 4, 0, 4);
    m_indicator->setFixedSize(indicatorSize, indicatorSize);
    row->addWidget(m_indicator);
    m_name->setElided(true);
    m_name->setText(mac.displayName());
    row->addWidget(m_name, 1);
    if (isActive(connectionState)) {
        const auto color = ConnectionIndicatorPolicy::lastSeenColor(mac.timeSinceLastSeen(now));
        m_lastSeen = new Dot(color);
        m_lastSeen->setProperty("indicatorColor", static_cast<int>(color));
        row->addWidget(m_lastSeen);
    }
}

void ConnectedMacMenuItem::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT selected();
    }
    QWidget::mouseReleaseEvent(event);
}

void ConnectedMacMenuItem::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        Q_EMIT selected();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace verandel
