#pragma once

#include "kit/Card.h"
#include "kit/IconProvider.h"

#include <QList>

#include <functional>

class QToolButton;

namespace verandel {

class TextLabel;

// This computer's Discovery Mode code, one box per symbol, for the user to compare with the code on the
// other computer, and a Refresh button that asks for a new one. It shows the code exactly as given.
class SecurityCodeView : public Card
{
    Q_OBJECT

public:
    explicit SecurityCodeView(IconProviderPtr icons, QWidget *parent = nullptr);

    void setCode(const QString &code);
    QString code() const { return m_code; }
    // Run on every click of Refresh; it starts the work and returns.
    void setOnRefresh(std::function<void()> onRefresh) { m_onRefresh = std::move(onRefresh); }

    QToolButton *refreshButton() const { return m_refresh; }
    // The boxes, one per symbol, in order.
    QList<QWidget *> boxes() const { return m_boxes; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void restyle();

    IconProviderPtr m_icons;
    QString m_code;
    std::function<void()> m_onRefresh;
    TextLabel *m_heading;
    QToolButton *m_refresh;
    QWidget *m_boxRow;
    QList<QWidget *> m_boxes;
};

} // namespace verandel
