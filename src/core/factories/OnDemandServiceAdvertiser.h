#pragma once

#include "peer/dnssd/ServiceAdvertiserProtocol.h"

#include <functional>
#include <memory>

namespace verandel {

// Makes the real advertiser when the service is first advertised, so that nothing reaches the
// service-discovery daemon before the frame listener starts. Passes its signals on.
class OnDemandServiceAdvertiser final : public ServiceAdvertiserProtocol
{
    Q_OBJECT

public:
    using Maker = std::function<std::shared_ptr<ServiceAdvertiserProtocol>()>;

    explicit OnDemandServiceAdvertiser(Maker make, QObject *parent = nullptr);

    void advertise(const verandel::ServiceAdvertisement &advertisement) override;
    // Nothing was advertised while the advertiser was not made.
    void withdraw() override;

private:
    Maker m_make;
    std::shared_ptr<ServiceAdvertiserProtocol> m_inner;
};

} // namespace verandel
