#include "shell/DevicesSharedSource.h"

#include "models/DevicesViewModel.h"

namespace verandel {

DevicesSharedSource::DevicesSharedSource(DevicesViewModel &viewModel, QObject *parent)
    : SharedDevicesSource(parent)
    , m_viewModel(&viewModel)
{
    connect(&viewModel, &DevicesViewModel::verandelDevicesChanged, this, &SharedDevicesSource::verandelDevicesChanged);
}

QList<DeviceState> DevicesSharedSource::verandelDevices() const
{
    return m_viewModel ? m_viewModel->verandelDevices() : QList<DeviceState>();
}

} // namespace verandel
