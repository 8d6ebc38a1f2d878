#pragma once

#include "kit/Card.h"
#include "kit/IconProvider.h"
#include "records/DeviceState.h"

#include <QVBoxLayout>

#include <functional>

namespace verandel {

class TextLabel;

// Makes the row that shows one device in a Control Center card; `showConnectionStatus` adds its
// connection state.
using DeviceRowFactory = std::function<QWidget *(const DeviceState &device, bool showConnectionStatus)>;

// The shared device row: the device's symbol, its name and, when asked, its connection status.
DeviceRowFactory deviceInfoRowFactory(IconProviderPtr icons);

// The chrome of every Control Center card: a header with a symbol and a title (and room below the
// title), a divider, then the card's own content.
class ControlCenterPanel : public Card
{
    Q_OBJECT

public:
    ControlCenterPanel(IconProviderPtr icons, const QString &symbol, QWidget *parent = nullptr);

    TextLabel *titleLabel() const { return m_title; }

protected:
    // Below the title, beside the symbol.
    QVBoxLayout *titleColumn() const { return m_titleColumn; }
    QVBoxLayout *content() const { return m_content; }
    // A "Devices" line with the button at its end.
    QWidget *addDevicesHeader(QWidget *button);
    IconProviderPtr icons() const { return m_icons; }

private:
    IconProviderPtr m_icons;
    TextLabel *m_title;
    QVBoxLayout *m_titleColumn;
    QVBoxLayout *m_content;
};

// A column of device rows, made again only when the devices change.
class DeviceRowList : public QWidget
{
    Q_OBJECT

public:
    DeviceRowList(DeviceRowFactory factory, bool showConnectionStatus, QWidget *parent = nullptr);
    void setDevices(const QList<DeviceState> &devices);
    QList<DeviceState> devices() const { return m_devices; }

private:
    DeviceRowFactory m_factory;
    bool m_showConnectionStatus;
    QList<DeviceState> m_devices;
    QVBoxLayout *m_rows;
};

} // namespace verandel
