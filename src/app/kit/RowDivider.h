#pragma once

class QWidget;

namespace verandel {

// The separator line under a row of a list card, starting where the row's text starts.
class RowDivider
{
public:
    RowDivider() = delete;

    // Paints the line along the bottom edge of `row`, from its paint event.
    static void paint(QWidget &row);
};

} // namespace verandel
