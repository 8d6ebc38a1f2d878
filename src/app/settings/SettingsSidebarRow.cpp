#include "settings/SettingsSidebarRow.h"

#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QPainter>

namespace verandel {

namespace {

constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 10;
constexpr int iconFrame = 20;
constexpr int iconTextSpacing = 8;
constexpr int radius = 10;
constexpr double selectedOpacity = 0.16;

} // namespace

SettingsSidebarRow::SettingsSidebarRow(SettingsTab tab, IconProviderPtr icons, QWidget *parent)
    : QAbstractButton(parent)
    , m_tab(tab)
    , m_icons(std::move(icons))
{
    setCheckable(true);
    setText(toString(tab));
    setAccessibleName(toString(tab));
    setFont(Theme::font(TextStyle::Body));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SettingsSidebarRow::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {2 * horizontalPadding + iconFrame + iconTextSpacing + metrics.horizontalAdvance(text()),
            2 * verticalPadding + std::max(metrics.height(), iconFrame)};
}

void SettingsSidebarRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::color(palette(), ThemeTint{ThemeColor::Accent, selectedOpacity}));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::color(palette(), ThemeTint{ThemeColor::Accent, 0.6}), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius, radius);
    }
    const QColor ink = Theme::color(palette(), isChecked() ? ThemeColor::PrimaryText : ThemeColor::SecondaryText);
    const QRect iconRect(horizontalPadding, (height() - Metrics::iconRegular) / 2, iconFrame, Metrics::iconRegular);
    painter.drawPixmap(iconRect.x() + (iconFrame - Metrics::iconRegular) / 2, iconRect.y(),
                       m_icons->pixmap(iconName(m_tab), Metrics::iconRegular, ink, devicePixelRatioF()));
    painter.setPen(Theme::color(palette(), ThemeColor::PrimaryText));
    const QRect textRect = rect().adjusted(horizontalPadding + iconFrame + iconTextSpacing, 0, -horizontalPadding, 0);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(font()).elidedText(text(), Qt::ElideRight, textRect.width()));
}

} // namespace verandel
