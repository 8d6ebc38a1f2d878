#pragma once

#include "kit/IconProvider.h"
#include "kit/ThemeTint.h"

#include <QWidget>

#include <optional>

namespace verandel {

// One symbol in a theme colour, drawn from the palette each time it is painted; optionally on a circle
// of the same colour at low opacity (the icons at the start of rows).
class IconView : public QWidget
{
    Q_OBJECT

public:
    IconView(IconProviderPtr icons, const QString &name, int size, QWidget *parent = nullptr);

    QString name() const { return m_name; }
    void setName(const QString &name);
    ThemeColor color() const { return m_color; }
    void setColor(ThemeColor color);
    // Draws the symbol on a circle of `diameter` filled with the symbol's colour at `opacity`.
    void setCircle(int diameter, double opacity);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    IconProviderPtr m_icons;
    QString m_name;
    int m_size;
    ThemeColor m_color = ThemeColor::PrimaryText;
    std::optional<int> m_circleDiameter;
    double m_circleOpacity = 0;
};

} // namespace verandel
