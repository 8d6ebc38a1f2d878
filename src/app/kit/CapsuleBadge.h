#pragma once

#include "kit/BadgeLook.h"
#include "kit/IconProvider.h"

#include <QWidget>

namespace verandel {

// A short text with an optional leading symbol on a tinted capsule. It keeps its natural width (it is
// never squeezed) and draws its text as plain text. Its accessible name is the text unless set apart.
class CapsuleBadge : public QWidget
{
    Q_OBJECT

public:
    explicit CapsuleBadge(IconProviderPtr icons, QWidget *parent = nullptr);

    // Sets everything it shows at once; an empty icon name shows text only.
    void setContent(const QString &text, const QString &iconName, const BadgeLook &look);
    void setText(const QString &text);
    void setIconName(const QString &iconName);
    void setLook(const BadgeLook &look);
    // What assistive technology reads instead of the shown text; empty reads the text.
    void setAccessibleText(const QString &text);

    QString text() const { return m_text; }
    QString iconName() const { return m_iconName; }
    BadgeLook look() const { return m_look; }

    // How tall a capsule badge with a symbol is in the current fonts: a row that shows one only at times
    // keeps this height, so what stands beside it does not move.
    static int capsuleHeight();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QMargins padding() const;
    int iconSize() const;
    void contentChanged();

    IconProviderPtr m_icons;
    QString m_text;
    QString m_iconName;
    QString m_accessibleText;
    BadgeLook m_look;
};

} // namespace verandel
