#pragma once

#include "kit/TextStyle.h"
#include "kit/ThemeColor.h"
#include "kit/ThemeTint.h"

#include <QLabel>

class QTextLayout;

#include <optional>

namespace verandel {

// A label in one of the theme's text styles and colours. It always shows plain text, so a name from
// another machine can never turn into markup, and aligns it to the left whatever the text's own
// direction (a right-to-left name stays beside its icon). With eliding on it keeps one line, shortens
// the text to its width with "…" (again on every resize) and offers the whole text as a tool tip. With
// word wrap on it breaks a word longer than a line instead of cutting it off.
//
// Set the text through TextLabel::setText (as with KDE's squeezed label), not through QLabel.
class TextLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TextLabel(TextStyle style, ThemeColor color = ThemeColor::PrimaryText, QWidget *parent = nullptr);

    void setText(const QString &text);
    // The whole text, whatever is shown.
    QString fullText() const { return m_fullText; }

    void setTextStyle(TextStyle style);
    TextStyle textStyle() const { return m_style; }
    void setColor(ThemeColor color);
    ThemeColor color() const { return m_color; }
    // The fill the label sits on when it is not a plain card or the window (a tinted card): the text
    // colour is then made readable on that fill.
    void setBackdrop(std::optional<ThemeTint> fill);
    // Overrides the style's weight (a semibold body line, for example).
    void setFontWeight(QFont::Weight weight);

    // One line, shortened at the end to the width it gets.
    void setElided(bool elided);
    // A wrapped text moves a word down rather than leave one word alone on its last line, where the
    // lines above have words to spare.
    void setAvoidsLoneLastWord(bool avoids);
    // The lines a wrapped text is drawn in at the label's width.
    QStringList wrappedLines() const;
    bool isElided() const { return m_elided; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Lays the whole text out in lines of `width`; returns their height.
    int layOutWrapped(QTextLayout &layout, int width) const;
    int layOutLines(QTextLayout &layout, int width) const;
    void applyFont();
    void applyColor();
    void updateShownText();

    TextStyle m_style;
    ThemeColor m_color;
    std::optional<ThemeTint> m_backdrop;
    std::optional<QFont::Weight> m_weight;
    QString m_fullText;
    bool m_elided = false;
    bool m_avoidsLoneLastWord = false;
};

} // namespace verandel
