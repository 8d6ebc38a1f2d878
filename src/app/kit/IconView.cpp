#include "kit/IconView.h"

#include "kit/Theme.h"

#include <QPainter>

namespace verandel {

IconView::IconView(IconProviderPtr icons, const QString &name, int size, QWidget *parent)
    : QWidget(parent)
    , m_icons(std::move(icons))
    , m_name(name)
    , m_size(size)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void IconView::setName(const QString &name)
{
    if (name != m_name) {
        m_name = name;
        update();
    }
}

void IconView::setColor(ThemeColor color)
{
    if (color != m_color) {
        m_color = color;
        update();
    }
}

void IconView::setCircle(int diameter, double opacity)
{
    m_circleDiameter = diameter;
    m_circleOpacity = opacity;
    updateGeometry();
    update();
}

QSize IconView::sizeHint() const
{
    const int side = m_circleDiameter.value_or(m_size);
    return {side, side};
}

void IconView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_circleDiameter) {
        const int diameter = *m_circleDiameter;
        const QRectF circle(QPointF((width() - diameter) / 2.0, (height() - diameter) / 2.0),
                            QSizeF(diameter, diameter));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::color(palette(), ThemeTint{m_color, m_circleOpacity}));
        painter.drawEllipse(circle);
    }
    QColor ink = Theme::color(palette(), m_color);
    if (!isEnabled()) {
        ink.setAlphaF(ink.alphaF() * Theme::disabledOpacity);
    }
    const QPixmap symbol = m_icons->pixmap(m_name, m_size, ink, devicePixelRatioF());
    painter.drawPixmap(QPointF((width() - m_size) / 2.0, (height() - m_size) / 2.0), symbol);
}

} // namespace verandel
