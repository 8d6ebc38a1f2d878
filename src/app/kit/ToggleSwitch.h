#pragma once

#include <QAbstractButton>

namespace verandel {

// An on/off switch: a rounded track in the accent colour when on, with a round knob. It is a checkable
// button, so clicks, Space, toggled() and accessibility work as for any checkable button. It has no
// text of its own; give it an accessible name.
class ToggleSwitch : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;
};

} // namespace verandel
