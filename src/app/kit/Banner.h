#pragma once

#include "kit/Card.h"
#include "kit/IconProvider.h"
#include "kit/ThemeColor.h"

class QToolButton;

namespace verandel {

class CapsuleButton;
class IconView;
class TextLabel;

// A card with a symbol, a title on one line (shortened with "…", whole in its tool tip), a wrapping
// message and, when set, an action button and a dismiss button: the error and undo notices at the top of
// a window's content. The message may be an error text from elsewhere; it is shown as plain text.
class Banner : public Card
{
    Q_OBJECT

public:
    explicit Banner(IconProviderPtr icons, QWidget *parent = nullptr);

    void setContent(const QString &iconName, ThemeColor iconColor, const QString &title, const QString &message);
    // An empty text hides the action button.
    void setActionText(const QString &text);
    void setDismissible(bool dismissible);

    QString title() const;
    TextLabel *titleLabel() const { return m_title; }
    QString message() const;
    CapsuleButton *actionButton() const { return m_action; }
    QToolButton *dismissButton() const { return m_dismiss; }

Q_SIGNALS:
    void actionClicked();
    void dismissed();

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateDismissIcon();

    IconProviderPtr m_icons;
    IconView *m_icon;
    TextLabel *m_title;
    TextLabel *m_message;
    CapsuleButton *m_action;
    QToolButton *m_dismiss;
};

} // namespace verandel
