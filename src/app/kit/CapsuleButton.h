#pragma once

#include <QColor>
#include <QPalette>
#include <QPushButton>

namespace verandel {

// A push button drawn as a capsule in one of four kinds, the same on every desktop style. It keeps
// QPushButton's keyboard handling and accessibility, and its text rules: "&" marks a mnemonic, so a
// title holding text from elsewhere needs "&" doubled (never markup: the text is drawn plainly).
class CapsuleButton : public QPushButton
{
    Q_OBJECT

public:
    enum class Kind {
        Prominent, // filled with the accent colour: the action a card or row offers first
        Bordered, // a plain outlined button
        Destructive, // filled red: confirms a removal
        Plain, // text only, in the accent colour
    };
    enum class Size { Regular, Small };

    // What a button is drawn in, on a card or on the window.
    struct Look
    {
        QColor fill;
        QColor border;
        QColor text;
    };
    // A prominent button has white text on the accent darkened until the text reads at 4.5:1, as
    // desktop themes draw their default button; a disabled button fades, but its text keeps 3:1.
    static Look look(Kind kind, const QPalette &palette, bool enabled = true);
    // How tall the capsule is drawn for text of these metrics (a text field takes the same height).
    static int shapeHeight(const QFontMetrics &metrics, Size size);

    explicit CapsuleButton(const QString &text, Kind kind = Kind::Bordered, QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);
    Size controlSize() const { return m_size; }
    void setControlSize(Size size);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyFont();

    Kind m_kind;
    Size m_size = Size::Regular;
};

} // namespace verandel
