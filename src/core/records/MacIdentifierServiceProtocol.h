#pragma once

#include "records/DiscoverableMac.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace verandel {

// Who this computer is towards its peers.
class MacIdentifierServiceProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The machine's id as peers know it; fixed for the life of the process.
    virtual QUuid currentMacId() const = 0;
    // This installation's id, lower-case UUID text; survives restarts.
    virtual QString installationId() const = 0;
    // The name the user chose, or none (peers then see the host name).
    virtual std::optional<QString> advertisedName() const = 0;
    // This computer's own record for its DNS-SD TXT record, stamped now, with no endpoint.
    virtual DiscoverableMac makeDiscoveredMac(const std::optional<QString> &securityCode) const = 0;
    // Trims the name (blank means none) and announces it on advertisedNameDidChange, also when unchanged.
    virtual void setAdvertisedName(const std::optional<QString> &name) = 0;

Q_SIGNALS:
    void advertisedNameDidChange(const std::optional<QString> &name);
};

} // namespace verandel
