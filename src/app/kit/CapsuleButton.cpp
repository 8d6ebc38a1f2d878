#include "kit/CapsuleButton.h"

#include "kit/Metrics.h"
#include "kit/Theme.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace verandel {

namespace {

// Room around the capsule for the focus ring.
constexpr int focusMargin = 2;

// The text of a disabled button still reads at this ratio: it says what the button would do.
constexpr double disabledTextContrast = 3.0;

} // namespace

CapsuleButton::Look CapsuleButton::look(Kind kind, const QPalette &palette, bool enabled)
{
    Look look;
    switch (kind) {
    case Kind::Prominent:
        look = {Theme::fillUnder(Theme::color(palette, ThemeColor::Accent), Qt::white, Theme::textContrast),
                Qt::transparent, Qt::white};
        break;
    case Kind::Destructive:
        look = {Theme::color(palette, ThemeColor::Red), Qt::transparent,
                Theme::readableTextOn(Theme::color(palette, ThemeColor::Red))};
        break;
    case Kind::Bordered:
        look = {Theme::color(palette, ThemeColor::ControlBackground), Theme::controlOutline(palette),
                Theme::inkOn(palette, ThemeTint{ThemeColor::ControlText}, ThemeTint{ThemeColor::ControlBackground})};
        break;
    case Kind::Plain: look = {Qt::transparent, Qt::transparent, Theme::textColor(palette, ThemeColor::Accent)}; break;
    }
    if (enabled) {
        return look;
    }
    for (QColor *faded : {&look.fill, &look.border, &look.text}) {
        faded->setAlphaF(faded->alphaF() * Theme::disabledOpacity);
    }
    const QList<QColor> backgrounds = {Theme::over(look.fill, palette.color(QPalette::Base)),
                                       Theme::over(look.fill, palette.color(QPalette::Window))};
    look.text = Theme::readableOn(Theme::over(look.text, backgrounds.first()), backgrounds, disabledTextContrast);
    return look;
}

int CapsuleButton::shapeHeight(const QFontMetrics &metrics, Size size)
{
    const int vertical = size == Size::Small ? Metrics::buttonSmallVerticalPadding : Metrics::buttonVerticalPadding;
    return std::max(metrics.height() + 2 * vertical, Metrics::minimumButtonHeight);
}

CapsuleButton::CapsuleButton(const QString &text, Kind kind, QWidget *parent)
    : QPushButton(text, parent)
    , m_kind(kind)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAutoDefault(false);
    setAttribute(Qt::WA_Hover);
    applyFont();
}

void CapsuleButton::setKind(Kind kind)
{
    if (kind != m_kind) {
        m_kind = kind;
        updateGeometry();
        update();
    }
}

void CapsuleButton::setControlSize(Size size)
{
    if (size != m_size) {
        m_size = size;
        applyFont();
    }
}

void CapsuleButton::applyFont()
{
    QFont font = Theme::font(m_size == Size::Small ? TextStyle::Caption : TextStyle::Body);
    font.setWeight(QFont::Medium);
    setFont(font);
    updateGeometry();
}

QSize CapsuleButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const bool small = m_size == Size::Small;
    // A plain button is a link: its text lines up with the text around it.
    const int horizontal = m_kind == Kind::Plain ? 0
        : small                                  ? Metrics::buttonSmallHorizontalPadding
                                                 : Metrics::buttonHorizontalPadding;
    const int width = metrics.size(Qt::TextShowMnemonic, text()).width() + 2 * horizontal + 2 * focusMargin;
    const int height = shapeHeight(metrics, m_size) + 2 * focusMargin;
    return {std::max(width, minimumWidth()), height};
}

void CapsuleButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Look colors = look(m_kind, palette(), isEnabled());
    if (isDown()) {
        colors.fill = colors.fill.alpha() ? colors.fill.darker(115) : colors.fill;
        colors.text = m_kind == Kind::Plain ? colors.text.darker(130) : colors.text;
    } else if (underMouse() && isEnabled()) {
        colors.fill = colors.fill.alpha() ? colors.fill.lighter(106) : colors.fill;
    }

    const QRectF capsule = QRectF(rect()).adjusted(focusMargin, focusMargin, -focusMargin, -focusMargin);
    const qreal radius = capsule.height() / 2;
    painter.setPen(colors.border.alpha() ? QPen(colors.border, 1) : QPen(Qt::NoPen));
    painter.setBrush(colors.fill);
    painter.drawRoundedRect(capsule.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    // A plain button has no room for a ring around its text: its focus underlines the text.
    const bool underlined = hasFocus() && m_kind == Kind::Plain;
    if (hasFocus() && !underlined) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::color(palette(), ThemeTint{ThemeColor::Accent, 0.6}), 2));
        painter.drawRoundedRect(capsule.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    }

    QFont textFont = font();
    textFont.setUnderline(underlined);
    painter.setPen(colors.text);
    painter.setFont(textFont);
    painter.drawText(capsule, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
}

void CapsuleButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::ApplicationFontChange) {
        applyFont();
    }
}

} // namespace verandel
