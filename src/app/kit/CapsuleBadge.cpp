#include "kit/CapsuleBadge.h"

#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace verandel {

namespace {

QFont badgeFont()
{
    QFont font = Theme::font(TextStyle::Caption);
    font.setWeight(QFont::DemiBold);
    return font;
}

// A line of `font` beside a symbol, padded.
int contentHeight(const QFont &font, int verticalPadding)
{
    const QFontMetrics metrics(font);
    return std::max(metrics.height(), std::max(Metrics::iconRegular, metrics.ascent())) + 2 * verticalPadding;
}

} // namespace

int CapsuleBadge::capsuleHeight()
{
    return contentHeight(badgeFont(), Metrics::badgeVerticalPadding);
}

CapsuleBadge::CapsuleBadge(IconProviderPtr icons, QWidget *parent)
    : QWidget(parent)
    , m_icons(std::move(icons))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(badgeFont());
}

void CapsuleBadge::setContent(const QString &text, const QString &iconName, const BadgeLook &look)
{
    m_text = text;
    m_iconName = iconName;
    m_look = look;
    contentChanged();
}

void CapsuleBadge::setText(const QString &text)
{
    m_text = text;
    contentChanged();
}

void CapsuleBadge::setIconName(const QString &iconName)
{
    m_iconName = iconName;
    contentChanged();
}

void CapsuleBadge::setLook(const BadgeLook &look)
{
    m_look = look;
    contentChanged();
}

void CapsuleBadge::setAccessibleText(const QString &text)
{
    m_accessibleText = text;
    contentChanged();
}

void CapsuleBadge::contentChanged()
{
    setAccessibleName(m_accessibleText.isEmpty() ? m_text : m_accessibleText);
    updateGeometry();
    update();
}

QMargins CapsuleBadge::padding() const
{
    if (m_look.shape == BadgeLook::Shape::Rounded) {
        return {Metrics::statusBadgeHorizontalPadding, Metrics::statusBadgeVerticalPadding,
                Metrics::statusBadgeHorizontalPadding, Metrics::statusBadgeVerticalPadding};
    }
    return {Metrics::badgeHorizontalPadding, Metrics::badgeVerticalPadding, Metrics::badgeHorizontalPadding,
            Metrics::badgeVerticalPadding};
}

int CapsuleBadge::iconSize() const
{
    return std::max(Metrics::iconRegular, QFontMetrics(font()).ascent());
}

QSize CapsuleBadge::sizeHint() const
{
    const QFontMetrics metrics(font());
    const QMargins margins = padding();
    int width = metrics.horizontalAdvance(m_text);
    if (!m_iconName.isEmpty()) {
        width += iconSize() + (m_text.isEmpty() ? 0 : Metrics::badgeIconSpacing);
    }
    return {width + margins.left() + margins.right(), contentHeight(font(), margins.top())};
}

void CapsuleBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal borderWidth = m_look.border ? 1.0 : 0.0;
    const QRectF shape = QRectF(rect()).adjusted(borderWidth / 2, borderWidth / 2, -borderWidth / 2, -borderWidth / 2);
    const qreal radius = m_look.shape == BadgeLook::Shape::Capsule ? shape.height() / 2 : Metrics::statusBadgeRadius;
    painter.setPen(m_look.border ? QPen(Theme::color(palette(), *m_look.border), borderWidth) : QPen(Qt::NoPen));
    painter.setBrush(Theme::color(palette(), m_look.fill));
    painter.drawRoundedRect(shape, radius, radius);

    QColor ink = Theme::inkOn(palette(), m_look.ink, m_look.fill);
    if (!isEnabled()) {
        ink.setAlphaF(ink.alphaF() * Theme::disabledOpacity);
    }
    const QRect content = rect().marginsRemoved(padding());
    int x = content.left();
    if (!m_iconName.isEmpty()) {
        const int side = iconSize();
        const QPixmap symbol = m_icons->pixmap(m_iconName, side, ink, devicePixelRatioF());
        painter.drawPixmap(QPointF(x, content.top() + (content.height() - side) / 2.0), symbol);
        x += side + Metrics::badgeIconSpacing;
    }
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRect(x, content.top(), content.right() - x + 1, content.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
}

void CapsuleBadge::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ApplicationFontChange) {
        setFont(badgeFont());
    }
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}

} // namespace verandel
