#pragma once

#include <QLineEdit>

namespace verandel {

// A one-line text field drawn like the kit's controls, the same on every desktop style: a rounded field
// of a regular button's height, outlined at 3:1, its edge in the accent while it has the focus.
class TextField : public QLineEdit
{
    Q_OBJECT

public:
    explicit TextField(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyLook();
};

} // namespace verandel
