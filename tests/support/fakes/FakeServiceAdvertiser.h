#pragma once

#include "peer/dnssd/ServiceAdvertiserProtocol.h"

#include <QList>

namespace verandel::test {

// Remembers every advertisement and counts withdrawals; nothing reaches the network.
class FakeServiceAdvertiser final : public ServiceAdvertiserProtocol
{
public:
    QList<ServiceAdvertisement> advertised;
    int withdrawals = 0;

    void advertise(const ServiceAdvertisement &advertisement) override { advertised.append(advertisement); }
    void withdraw() override { ++withdrawals; }
};

} // namespace verandel::test
