#pragma once

#include "peer/dnssd/TransportError.h"
#include "peer/dnssd/TxtRecord.h"

#include <QObject>
#include <QString>

namespace verandel {

// One DNS-SD service to publish on the local network.
struct ServiceAdvertisement
{
    QString name;
    QString type;
    quint16 port = 0;
    TxtRecord txtRecord;

    bool operator==(const ServiceAdvertisement &) const = default;
};

// Publishes this computer's service over DNS-SD for the frame listener. Calls return at once; the
// outcome arrives as a signal.
class ServiceAdvertiserProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~ServiceAdvertiserProtocol() override = default;

    // Publishes the service, or replaces the one published: a new name re-registers it, a new TXT
    // record alone updates it in place.
    virtual void advertise(const verandel::ServiceAdvertisement &advertisement) = 0;
    // Withdraws the service; nothing happens when none is published.
    virtual void withdraw() = 0;

Q_SIGNALS:
    // The service is on the network under this name (after a name collision, not the one asked for).
    void advertised(const QString &name);
    void advertisingFailed(const verandel::TransportError &error);
};

} // namespace verandel
