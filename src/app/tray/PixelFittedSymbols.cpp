#include "tray/PixelFittedSymbols.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace verandel {

namespace {

const QString arrows = QStringLiteral("arrow.left.arrow.right");
const QString checkmark = QStringLiteral("checkmark");
const QString exclamationmark = QStringLiteral("exclamationmark");
const QString downArrowCircled = QStringLiteral("arrow.down.circle");

// A heavy stroke for a symbol `side` pixels wide, of the side's parity so that it centres exactly.
int heavyStroke(int side)
{
    const int wanted = std::max(1, qRound(side / 4.5));
    return wanted % 2 == side % 2 ? wanted : std::max(1, wanted - 1);
}

// Two arrows, the upper one pointing right, the lower one left, their heads apart so that they never
// touch.
void addArrows(QPainterPath &ink, int side)
{
    const int stroke = std::max(1, side / 7);
    const int head = std::max(1, (side - 2 * stroke - 1) / 3);
    const int upper = head;
    const int lower = side - stroke - head;
    ink.addRect(0, upper, side, stroke);
    ink.addRect(0, lower, side, stroke);
    for (int step = 1; step <= head; ++step) {
        ink.addRect(side - stroke - step, upper - step, stroke, stroke);
        ink.addRect(side - stroke - step, upper + step, stroke, stroke);
        ink.addRect(step, lower - step, stroke, stroke);
        ink.addRect(step, lower + step, stroke, stroke);
    }
}

void addCheckmark(QPainterPath &ink, int side)
{
    const int stroke = heavyStroke(side);
    // The short arm falls to the bottom, the long one rises to the top right corner.
    const int bottom = side - stroke;
    const int turn = std::max(0, (side - stroke) * 3 / 8);
    const int shortArm = std::max(1, turn);
    for (int step = 0; step <= shortArm; ++step) {
        ink.addRect(turn - step, bottom - step, stroke, stroke);
    }
    for (int step = 0; turn + step + stroke <= side && bottom - step >= 0; ++step) {
        ink.addRect(turn + step, bottom - step, stroke, stroke);
    }
}

void addExclamationmark(QPainterPath &ink, int side)
{
    const int stroke = heavyStroke(side);
    const int left = (side - stroke) / 2;
    const int gap = std::max(1, stroke / 2);
    ink.addRect(left, 0, stroke, side - stroke - gap);
    ink.addRect(left, side - stroke, stroke, stroke);
}

// A down arrow; its circle is the hole.
void addDownArrow(QPainterPath &ink, int side)
{
    const int stroke = heavyStroke(side);
    const int left = (side - stroke) / 2;
    const int head = std::max(1, (side - stroke) / 2 - 1);
    ink.addRect(left, 0, stroke, side);
    for (int step = 1; step <= head; ++step) {
        ink.addRect(left - step, side - stroke - step, stroke, stroke);
        ink.addRect(left + step, side - stroke - step, stroke, stroke);
    }
}

} // namespace

bool PixelFittedSymbols::contains(const QString &name)
{
    return name == arrows || name == checkmark || name == exclamationmark || name == downArrowCircled;
}

bool PixelFittedSymbols::isCircled(const QString &name)
{
    return name == downArrowCircled;
}

void PixelFittedSymbols::draw(QPainter &painter, const QString &name, const QRect &square, const QColor &color)
{
    const int side = std::min(square.width(), square.height());
    // One path filled once: where strokes overlap, a translucent symbol is not drawn twice.
    QPainterPath ink;
    ink.setFillRule(Qt::WindingFill);
    if (name == arrows) {
        addArrows(ink, side);
    } else if (name == checkmark) {
        addCheckmark(ink, side);
    } else if (name == exclamationmark) {
        addExclamationmark(ink, side);
    } else if (name == downArrowCircled) {
        addDownArrow(ink, side);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillPath(ink.translated(square.topLeft()), color);
    painter.restore();
}

} // namespace verandel
