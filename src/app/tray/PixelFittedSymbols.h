#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QPainter;

namespace verandel {

// The tray's symbols drawn straight onto the pixel grid, for pictures too small for the SVG set to stay
// sharp: strokes of whole pixels on pixel boundaries, so a symbol a few pixels tall keeps its shape
// instead of turning into a grey smudge. They mean what the SVG symbols of the same names mean.
class PixelFittedSymbols
{
public:
    PixelFittedSymbols() = delete;

    static bool contains(const QString &name);
    // The symbol's circle is the hole it sits in, not a ring of its own (which would make rings within
    // rings at this size).
    static bool isCircled(const QString &name);
    // Draws `name` filling `square` in `color`, without anti-aliasing.
    static void draw(QPainter &painter, const QString &name, const QRect &square, const QColor &color);
};

} // namespace verandel
