#pragma once

#include "models/ConnectionIndicatorPolicy.h"

#include <QWidget>

class QVariantAnimation;

namespace verandel {

// The coloured dot of a linked computer's connection state; it fades between full and half opacity
// once a second while the link is being made. The embedding view gives it its size.
class ConnectionStatusIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit ConnectionStatusIndicator(ConnectionState state, QWidget *parent = nullptr);

    ConnectionState state() const { return m_state; }
    void setState(ConnectionState state);
    bool isAnimating() const { return m_isAnimating; }
    static QColor colorOf(IndicatorColor color, const QPalette &palette);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setAnimating(bool animating);

    ConnectionState m_state;
    bool m_isAnimating = false;
    QVariantAnimation *m_pulse;
};

} // namespace verandel
