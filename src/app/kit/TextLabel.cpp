#include "kit/TextLabel.h"

#include "kit/Theme.h"
#include "kit/UntrustedText.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace verandel {

namespace {

// A wrapping label asks for about this many characters on a line before it wraps.
constexpr int wrappedSizeHintCharacters = 60;

} // namespace

TextLabel::TextLabel(TextStyle style, ThemeColor color, QWidget *parent)
    : QLabel(parent)
    , m_style(style)
    , m_color(color)
{
    QLabel::setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
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

void TextLabel::setBackdrop(std::optional<ThemeTint> fill)
{
    m_backdrop = fill;
    applyColor();
}

void TextLabel::setFontWeight(QFont::Weight weight)
{
    m_weight = weight;
    applyFont();
}

QStringList TextLabel::wrappedLines() const
{
    const QRect area = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    QTextLayout layout;
    layOutWrapped(layout, area.width());
    QStringList lines;
    for (int index = 0; index < layout.lineCount(); ++index) {
        const QTextLine line = layout.lineAt(index);
        lines.append(layout.text().mid(line.textStart(), line.textLength()).trimmed());
    }
    return lines;
}

void TextLabel::setAvoidsLoneLastWord(bool avoids)
{
    m_avoidsLoneLastWord = avoids;
    updateGeometry();
    update();
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
    if (!m_elided && !wordWrap()) {
        return QLabel::minimumSizeHint();
    }
    // A wrapped label is at least one line tall; the layout asks heightForWidth for the rest.
    const QFontMetrics metrics(font());
    const QMargins margins = contentsMargins();
    const int lineHeight = metrics.height() + margins.top() + margins.bottom() + 2 * margin();
    return {metrics.horizontalAdvance(QStringLiteral("…")) * 3,
            wordWrap() ? lineHeight : QLabel::minimumSizeHint().height()};
}

QSize TextLabel::sizeHint() const
{
    if (wordWrap()) {
        // As wide as the text on one line, up to about a sentence; as tall as it is wrapped at that width.
        const QFontMetrics metrics(font());
        const QMargins margins = contentsMargins();
        const int natural = metrics.horizontalAdvance(m_fullText) + margins.left() + margins.right() + 2 * margin();
        const int width = std::min(natural, metrics.averageCharWidth() * wrappedSizeHintCharacters);
        return {width, heightForWidth(width)};
    }
    if (!m_elided) {
        return QLabel::sizeHint();
    }
    const QFontMetrics metrics(font());
    const QMargins margins = contentsMargins();
    return {metrics.horizontalAdvance(m_fullText) + margins.left() + margins.right() + 2 * margin(),
            QLabel::sizeHint().height()};
}

int TextLabel::heightForWidth(int width) const
{
    if (!wordWrap()) {
        return QLabel::heightForWidth(width);
    }
    const QMargins margins = contentsMargins();
    QTextLayout layout;
    return layOutWrapped(layout, width - margins.left() - margins.right() - 2 * margin()) + margins.top()
        + margins.bottom() + 2 * margin();
}

int TextLabel::layOutWrapped(QTextLayout &layout, int width) const
{
    const int height = layOutLines(layout, width);
    const int lines = layout.lineCount();
    const auto loneLastWord = [](const QTextLayout &laidOut) {
        const QTextLine last = laidOut.lineAt(laidOut.lineCount() - 1);
        return !laidOut.text().mid(last.textStart(), last.textLength()).trimmed().contains(QLatin1Char(' '));
    };
    if (!m_avoidsLoneLastWord || lines < 2 || !loneLastWord(layout)) {
        return height;
    }
    // Narrower lines push words down; the narrowest step that keeps the number of lines and gives the
    // last line company wins. Without one, the first layout stays.
    const int step = std::max(1, QFontMetrics(font()).averageCharWidth());
    for (int narrower = width - step; narrower > width / 2; narrower -= step) {
        QTextLayout trial;
        layOutLines(trial, narrower);
        if (trial.lineCount() != lines) {
            break;
        }
        if (!loneLastWord(trial)) {
            return layOutLines(layout, narrower);
        }
    }
    return layOutLines(layout, width);
}

int TextLabel::layOutLines(QTextLayout &layout, int width) const
{
    QString text = m_fullText;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setText(text);
    layout.setFont(font());
    layout.setTextOption(option);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1));
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return static_cast<int>(std::ceil(height));
}

void TextLabel::paintEvent(QPaintEvent *event)
{
    if (!wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    const QRect area = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    QTextLayout layout;
    const int height = layOutWrapped(layout, area.width());
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int top
        = (alignment() & Qt::AlignVCenter) ? area.top() + std::max(0, (area.height() - height) / 2) : area.top();
    layout.draw(&painter, QPointF(area.left(), top));
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
    const QColor wanted
        = m_backdrop ? Theme::inkOn(palette(), ThemeTint{m_color}, *m_backdrop) : Theme::textColor(palette(), m_color);
    QColor disabled = wanted;
    disabled.setAlphaF(disabled.alphaF() * Theme::disabledOpacity);
    if (palette().color(QPalette::Active, QPalette::WindowText) == wanted
        && palette().color(QPalette::Inactive, QPalette::WindowText) == wanted
        && palette().color(QPalette::Disabled, QPalette::WindowText) == disabled) {
        return; // also ends the palette change that setting it causes
    }
    QPalette own = palette();
    own.setColor(QPalette::Active, QPalette::WindowText, wanted);
    own.setColor(QPalette::Inactive, QPalette::WindowText, wanted);
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
    // For the same reason a shortened text can come out a pixel or two wider than asked, and its "…" would
    // be cut: it is shortened for less room until it fits.
    const QFontMetrics metrics(font());
    const int width = contentsRect().width();
    QString shown = m_fullText;
    for (int room = width; metrics.horizontalAdvance(shown) > width; --room) {
        shown = metrics.elidedText(m_fullText, Qt::ElideRight, room);
        if (room <= 0) {
            break;
        }
    }
    QLabel::setText(shown);
    setToolTip(shown == m_fullText ? QString() : UntrustedText::toolTip(m_fullText));
}

} // namespace verandel
