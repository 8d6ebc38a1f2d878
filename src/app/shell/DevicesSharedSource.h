#pragma once

#include "models/SharedDevicesSource.h"

#include <QPointer>

namespace verandel {

class DevicesViewModel;

// The Devices view model's allowed devices as the Control Center reads them.
class DevicesSharedSource final : public SharedDevicesSource
{
    Q_OBJECT

public:
    explicit DevicesSharedSource(DevicesViewModel &viewModel, QObject *parent = nullptr);

    QList<DeviceState> verandelDevices() const override;

private:
    QPointer<DevicesViewModel> m_viewModel;
};

} // namespace verandel
