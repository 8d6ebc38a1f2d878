#pragma once

#include "kit/IconProvider.h"

#include "records/DeviceState.h"

#include <QWidget>

namespace verandel {

class IconView;
class TextLabel;

// A device's identity: the symbol of its type, its name (plain text, shortened to the width) and,
// optionally, a dot and a line with its connection status. The Devices tab's cards and the Control
// Center's panels show it.
class DeviceInfoRow : public QWidget
{
    Q_OBJECT

public:
    // In a list the symbol takes the width of a row's icon circle, so the name starts where the list's
    // dividers do; in a card it takes the width of the card's header symbol, so the name starts under
    // the card's title.
    enum class Placement { InList, InCard };

    DeviceInfoRow(IconProviderPtr icons, bool showConnectionStatus, Placement placement = Placement::InList,
                  QWidget *parent = nullptr);

    void setDeviceState(const DeviceState &state);

    IconView *icon() const { return m_icon; }
    TextLabel *nameLabel() const { return m_name; }
    // Null when the row shows no status.
    QWidget *statusLine() const { return m_statusLine; }
    TextLabel *statusLabel() const { return m_statusText; }

private:
    IconView *m_icon;
    TextLabel *m_name;
    QWidget *m_statusLine = nullptr;
    IconView *m_statusDot = nullptr;
    TextLabel *m_statusText = nullptr;
};

} // namespace verandel
