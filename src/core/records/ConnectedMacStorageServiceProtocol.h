#pragma once

#include "records/ConnectedMac.h"
#include "records/ConnectedMacInput.h"

#include <QList>

#include <memory>
#include <optional>

namespace verandel {

// The linked computers. Every call reads the stored document anew and throws StorageError when it
// cannot be read or written.
class ConnectedMacStorageServiceProtocol
{
public:
    virtual ~ConnectedMacStorageServiceProtocol() = default;

    // Stamps both times with now; a stored record with the same id is StorageError::invalidData.
    virtual ConnectedMac addConnectedMac(const ConnectedMacInput &input) = 0;
    // Replaces the stored record with the same id, re-stamped; none is StorageError::fileNotFound.
    virtual void updateConnectedMac(const ConnectedMac &mac) = 0;
    // An id that is not stored is no error.
    virtual void deleteConnectedMac(const QUuid &id) = 0;
    // Sorted by name, then the most recently seen first.
    virtual QList<ConnectedMac> listConnectedMacs() = 0;
    virtual std::optional<ConnectedMac> getConnectedMac(const QUuid &id) = 0;
};

using ConnectedMacStorageServicePtr = std::shared_ptr<ConnectedMacStorageServiceProtocol>;

} // namespace verandel
