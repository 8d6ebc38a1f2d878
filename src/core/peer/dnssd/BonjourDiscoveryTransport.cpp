#include "peer/dnssd/BonjourDiscoveryTransport.h"

#include "peer/dnssd/DiscoverableMacTxt.h"

#include <QPointer>

#include <utility>

namespace verandel {

BonjourDiscoveryTransport::BonjourDiscoveryTransport(BrowserFactoryPtr browserFactory, LoggerFactory &loggerFactory,
                                                     ClockPtr clock, QObject *parent)
    : DiscoveryProtocol(parent)
    , m_browserFactory(std::move(browserFactory))
    , m_logger(loggerFactory.createLogger(QStringLiteral("BonjourDiscoveryTransport")))
    , m_clock(std::move(clock))
    , m_serviceType(DiscoverableMacTxt::serviceType())
{ }

BonjourDiscoveryTransport::~BonjourDiscoveryTransport()
{
    if (m_browser) {
        m_browser->cancel();
    }
}

QCoro::Task<> BonjourDiscoveryTransport::startBrowsing()
{
    if (m_browser) {
        throw TransportError::browsingFailed(QStringLiteral("Already browsing"));
    }
    m_browser = m_browserFactory->createBrowser(m_serviceType, BrowserParameters{});
    // The browser may outlive us (its owner could keep it): the handlers hold us weakly.
    QPointer<BonjourDiscoveryTransport> self(this);
    m_browser->setStateUpdateHandler([self](const BrowserState &state) {
        if (self) {
            self->handleState(state);
        }
    });
    m_browser->setBrowseResultsChangedHandler(
        [self](const QList<BrowserResult> &, const QList<BrowserResultChange> &changes) {
            if (self) {
                self->handleChanges(changes);
            }
        });
    m_browser->start();
    co_return;
}

QCoro::Task<> BonjourDiscoveryTransport::stopBrowsing()
{
    if (const std::shared_ptr<BrowserProtocol> browser = std::exchange(m_browser, nullptr)) {
        browser->cancel();
    }
    co_return;
}

void BonjourDiscoveryTransport::handleState(const BrowserState &state)
{
    // A failed browser is kept: browsing does not restart by itself, and startBrowsing() keeps
    // answering "Already browsing" until stopBrowsing().
    if (state.isFailed()) {
        publishError(TransportError::browsingFailed(state.errorDescription()));
    }
}

void BonjourDiscoveryTransport::handleChanges(const QList<BrowserResultChange> &changes)
{
    for (const BrowserResultChange &change : changes) {
        if (change.isIdentical()) {
            continue;
        }
        if (change.isAdded()) {
            handleAdded(change.result());
        } else if (change.isRemoved()) {
            handleRemoved(change.result());
        } else if (change.isChanged()) {
            handleChanged(change.result());
        }
    }
}

void BonjourDiscoveryTransport::handleAdded(const BrowserResult &result)
{
    const std::optional<TxtRecord> &txtRecord = result.resultMetadata.txtRecord();
    if (!txtRecord) {
        m_logger->info(QStringLiteral("Service added without metadata (deletion signal): ")
                       + result.endpoint.description());
        publishDeletedEndpoint(result.endpoint);
        return;
    }
    std::optional<DiscoverableMac> mac = DiscoverableMacTxt::from(result.endpoint, *txtRecord, m_clock->now());
    if (!mac) {
        m_logger->warning(QStringLiteral("Failed to create discovered Mac from TXT record: ")
                          + result.resultMetadata.description());
        return;
    }
    publishMac(std::move(*mac));
}

void BonjourDiscoveryTransport::handleRemoved(const BrowserResult &result)
{
    m_logger->info(QStringLiteral("Service removed: %1, metadata: %2")
                       .arg(result.endpoint.description(), result.resultMetadata.description()));
    publishDeletedEndpoint(result.endpoint);
}

void BonjourDiscoveryTransport::handleChanged(const BrowserResult &result)
{
    if (!result.resultMetadata.isBonjour()) {
        m_logger->info(QStringLiteral("Service changed without metadata (deletion signal): ")
                       + result.endpoint.description());
        publishDeletedEndpoint(result.endpoint);
        return;
    }
    handleAdded(result);
}

void BonjourDiscoveryTransport::publishMac(DiscoverableMac mac)
{
    QMetaObject::invokeMethod(
        this, [this, mac = std::move(mac)] { Q_EMIT discoveredMacs(mac); }, Qt::QueuedConnection);
}

void BonjourDiscoveryTransport::publishDeletedEndpoint(PeerEndpoint endpoint)
{
    QMetaObject::invokeMethod(
        this, [this, endpoint = std::move(endpoint)] { Q_EMIT endpointDeleted(endpoint); }, Qt::QueuedConnection);
}

void BonjourDiscoveryTransport::publishError(TransportError error)
{
    QMetaObject::invokeMethod(
        this, [this, error = std::move(error)] { Q_EMIT errors(error); }, Qt::QueuedConnection);
}

} // namespace verandel
