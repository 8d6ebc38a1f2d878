#include "kit/TextLabel.h"

#include "kit/Theme.h"

#include <QEvent>
#include <QFontMetrics>

namespace verandel {

TextLabel::TextLabel(TextStyle style, ThemeColor color, QWidget *parent)
    : QLabel(parent)
    , m_style(style)
    , m_color(color)
{
    QLabel::setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    applyFont();
    applyColor();
}

void TextLabel::setText(const QString &text)
{
    m_fullText = text;
    updateShownText();
}

void TextLabel::setTextStyle(TextStyle style)
{
    m_style = style;
    applyFont();
}

void TextLabel::setColor(ThemeColor color)
{
    m_color = color;
    applyColor();
}

void TextLabel::setFontWeight(QFont::Weight weight)
{
    m_weight = weight;
    applyFont();
}

void TextLabel::setElided(bool elided)
{
    m_elided = elided;
    if (elided) {
        setWordWrap(false);
        setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
    }
    updateShownText();
}

QSize TextLabel::minimumSizeHint() const
{
    if (!m_elided) {
        return QLabel::minimumSizeHint();
    }
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("…")) * 3, QLabel::minimumSizeHint().height()};
}

QSize TextLabel::sizeHint() const
{
    if (!m_elided) {
        return QLabel::sizeHint();
    }
    const QFontMetrics metrics(font());
    const QMargins margins = contentsMargins();
    return {metrics.horizontalAdvance(m_fullText) + margins.left() + margins.right() + 2 * margin(),
            QLabel::sizeHint().height()};
}

void TextLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    if (m_elided) {
        updateShownText();
    }
}

void TextLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    switch (event->type()) {
    // The text colour is ours; every other role comes from the parent, and a new one may change ours.
    case QEvent::PaletteChange: applyColor(); break;
    case QEvent::ApplicationFontChange: applyFont(); break;
    case QEvent::FontChange: updateShownText(); break;
    default: break;
    }
}

void TextLabel::applyFont()
{
    QFont font = Theme::font(m_style);
    if (m_weight) {
        font.setWeight(*m_weight);
    }
    setFont(font);
    updateShownText();
}

void TextLabel::applyColor()
{
    const QColor wanted = Theme::color(palette(), m_color);
    if (palette().color(QPalette::Active, QPalette::WindowText) == wanted) {
        return; // also ends the palette change that setting it causes
    }
    QPalette own = palette();
    own.setColor(QPalette::Active, QPalette::WindowText, wanted);
    own.setColor(QPalette::Inactive, QPalette::WindowText, wanted);
    QColor disabled = wanted;
    disabled.setAlphaF(disabled.alphaF() * Theme::disabledOpacity);
    own.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    setPalette(own);
}

void TextLabel::updateShownText()
{
    if (!m_elided) {
        QLabel::setText(m_fullText);
        setToolTip({});
        return;
    }
    // Measured as sizeHint measures: elidedText's fractional widths would cut a text given exactly its hint.
    const QFontMetrics metrics(font());
    const int width = contentsRect().width();
    const QString shown = metrics.horizontalAdvance(m_fullText) <= width
        ? m_fullText
        : metrics.elidedText(m_fullText, Qt::ElideRight, width);
    QLabel::setText(shown);
    setToolTip(shown == m_fullText ? QString() : m_fullText.toHtmlEscaped());
}

} // namespace verandel
