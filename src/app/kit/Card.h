#pragma once

#include "kit/CardLook.h"

#include <QFrame>

namespace verandel {

// A rounded panel (radius 8, 1 px separator border) on the card background; content goes into a layout
// the caller sets, inside the card's contents margins (its padding). Colours come from the palette
// whenever it is painted.
class Card : public QFrame
{
    Q_OBJECT

public:
    explicit Card(QWidget *parent = nullptr);

    CardLook look() const { return m_look; }
    void setLook(const CardLook &look);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    CardLook m_look;
};

} // namespace verandel
