#include "models/DeviceOwnershipAdapter.h"

namespace verandel {

DeviceOwnershipAdapter::DeviceOwnershipAdapter(DeviceOwnershipServicePtr service, QObject *parent)
    : DeviceOwnershipProtocol(parent)
    , m_service(std::move(service))
{
    connect(m_service.get(), &DeviceOwnershipService::ownershipStateChanged, this,
            &DeviceOwnershipProtocol::ownershipStateChanged);
}

} // namespace verandel
