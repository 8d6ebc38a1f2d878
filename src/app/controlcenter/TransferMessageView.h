#pragma once

#include "models/ControlCenterTransferMessageKind.h"

#include "foundation/ClockProtocol.h"
#include "kit/Card.h"
#include "kit/IconProvider.h"

namespace verandel {

class BusyBar;
class IconView;
class TextLabel;

// The Control Center's transfer message: a symbol for what it tells, the message, and the busy line
// while the transfer runs. A message that needs the user (a refusal, a block, a failure) is drawn in the
// warning tint.
class TransferMessageView : public Card
{
    Q_OBJECT

public:
    // The clock moves the busy line; none leaves it standing.
    TransferMessageView(IconProviderPtr icons, ClockPtr clock, QWidget *parent = nullptr);

    void setMessage(const QString &message, ControlCenterTransferMessageKind kind);

    static QString iconName(ControlCenterTransferMessageKind kind);
    static ThemeColor iconColor(ControlCenterTransferMessageKind kind);
    static CardLook lookOf(ControlCenterTransferMessageKind kind);

    ControlCenterTransferMessageKind kind() const { return m_kind; }
    TextLabel *label() const { return m_label; }
    IconView *icon() const { return m_icon; }
    BusyBar *busyLine() const { return m_busy; }

private:
    ControlCenterTransferMessageKind m_kind = ControlCenterTransferMessageKind::InProgress;
    IconView *m_icon;
    TextLabel *m_label;
    BusyBar *m_busy;
};

} // namespace verandel
