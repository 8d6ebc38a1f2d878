#include "DnsSdBrowseHarness.h"

#include "FuzzApplication.h"
#include "FuzzInput.h"
#include "FuzzPromises.h"
#include "FuzzRequire.h"

#include "avahi/AvahiBrowser.h"
#include "linking/PeerInput.h"
#include "linking/SecurityCode.h"
#include "peer/dnssd/BonjourDiscoveryTransport.h"
#include "peer/dnssd/DiscoverableMacTxt.h"

#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/fakes/MockBrowserFactory.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>

namespace verandel::fuzz {

namespace {

struct Harness
{
    Harness()
    {
        test::runTask(transport.startBrowsing());
        QObject::connect(&transport, &DiscoveryProtocol::discoveredMacs, &transport,
                         [this](const DiscoverableMac &mac) { published.append(mac); });
    }

    test::RecordingLoggerFactory logs{test::RecordingLoggerFactory::Keeping::Nothing};
    std::shared_ptr<test::MockBrowserFactory> browsers = std::make_shared<test::MockBrowserFactory>();
    BonjourDiscoveryTransport transport{browsers, logs, std::make_shared<test::ManualClock>()};
    AvahiBrowseAggregator aggregator;
    QList<DiscoverableMac> published;
};

Harness &harness()
{
    ensureApplication();
    static Harness instance;
    return instance;
}

AvahiServiceKey keyFrom(FuzzInput &in, std::uint8_t operation)
{
    return AvahiServiceKey{(operation >> 1) & 3, (operation >> 3) & 1, in.text(), DiscoverableMacTxt::serviceType(),
                           QStringLiteral("local")};
}

} // namespace

int feedDnsSdBrowse(const std::uint8_t *data, std::size_t size)
{
    Harness &h = harness();
    h.aggregator.clear();
    h.published.clear();
    FuzzInput in(data, size);
    while (!in.atEnd()) {
        const std::uint8_t operation = in.byte();
        std::optional<AvahiInstanceChange> change;
        if (operation & 1) {
            change = h.aggregator.lost(keyFrom(in, operation));
        } else {
            AvahiResolvedService service;
            service.key = keyFrom(in, operation);
            service.host = in.text();
            service.addressProtocol = service.key.protocol;
            service.address = in.text();
            service.port = in.u16();
            for (int count = in.byte() % 24; count > 0; --count) {
                service.txt.append(in.bytes());
            }
            change = h.aggregator.resolved(service);
        }
        if (change) {
            const auto [results, resultChange] = AvahiBrowser::browseUpdate(h.aggregator, *change);
            h.browsers->lastCreatedBrowser()->simulateBrowseResultsChanged(results, {resultChange});
        }
    }
    // The transport publishes from the event loop.
    QCoreApplication::processEvents();

    for (const DiscoverableMac &mac : std::as_const(h.published)) {
        const DiscoverableMac clean = PeerInput::sanitized(mac);
        requireCleanPeerName(clean.name());
        require(!clean.securityCode() || SecurityCode::isWellFormed(*clean.securityCode()),
                QStringLiteral("a malformed code kept"));
        requireEscapedForLog(PeerInput::describe(clean));
        require(mac.endpoint().has_value(), QStringLiteral("a record without its endpoint"));
    }
    return static_cast<int>(h.published.size());
}

} // namespace verandel::fuzz
