#include "mock/DebugContextDiscoveryTransport.h"

#include "foundation/JsonFields.h"
#include "foundation/LogText.h"

namespace verandel {

DebugContextDiscoveryTransport::DebugContextDiscoveryTransport(DebugContextProviderPtr debugContextProvider,
                                                               LoggerFactory &loggerFactory, ClockPtr clock,
                                                               QObject *parent)
    : DiscoveryProtocol(parent)
    , m_debugContextProvider(std::move(debugContextProvider))
    , m_logger(loggerFactory.createLogger(QStringLiteral("DebugContextDiscoveryTransport")))
    , m_clock(std::move(clock))
{ }

QCoro::Task<> DebugContextDiscoveryTransport::startBrowsing()
{
    if (m_isBrowsing) {
        const TransportError error = TransportError::browsingFailed(QStringLiteral("Already browsing"));
        Q_EMIT errors(error);
        throw error;
    }
    m_isBrowsing = true;
    m_emittedMacIds.clear();
    // Every valid entry of the first pass is sent, two with the same id included.
    for (const DebugDiscoverableMac &entry : m_debugContextProvider->getContext().discoverableMacs) {
        if (const std::optional<DiscoverableMac> mac = convert(entry)) {
            m_emittedMacIds.insert(mac->id());
            Q_EMIT discoveredMacs(*mac);
        }
    }
    m_contextConnection = connect(m_debugContextProvider.get(), &DebugContextProvider::contextChanged, this,
                                  &DebugContextDiscoveryTransport::handleContextChange);
    m_logger->info(QStringLiteral("Started browsing"));
    co_return;
}

QCoro::Task<> DebugContextDiscoveryTransport::stopBrowsing()
{
    m_isBrowsing = false;
    disconnect(m_contextConnection);
    m_emittedMacIds.clear();
    m_logger->info(QStringLiteral("Stopped browsing"));
    co_return;
}

QCoro::Task<> DebugContextDiscoveryTransport::startAdvertising(DiscoverableMac discoveredMac)
{
    if (m_isAdvertising) {
        const TransportError error = TransportError::serviceRegistrationFailed(QStringLiteral("Already advertising"));
        Q_EMIT errors(error);
        throw error;
    }
    m_isAdvertising = true;
    m_logger->info(QStringLiteral("Started advertising Mac: ") + escapeControlCharacters(discoveredMac.name()));
    co_return;
}

QCoro::Task<> DebugContextDiscoveryTransport::stopAdvertising()
{
    m_isAdvertising = false;
    m_logger->info(QStringLiteral("Stopped advertising"));
    co_return;
}

void DebugContextDiscoveryTransport::handleContextChange(const DebugContext &context)
{
    if (!m_isBrowsing) {
        return;
    }
    for (const DebugDiscoverableMac &entry : context.discoverableMacs) {
        const std::optional<DiscoverableMac> mac = convert(entry);
        if (!mac || m_emittedMacIds.contains(mac->id())) {
            continue;
        }
        m_emittedMacIds.insert(mac->id());
        Q_EMIT discoveredMacs(*mac);
    }
}

std::optional<DiscoverableMac> DebugContextDiscoveryTransport::convert(const DebugDiscoverableMac &entry) const
{
    const std::optional<QUuid> id = json::uuidFromString(entry.id);
    if (!id) {
        m_logger->warning(QStringLiteral("Skipping Mac with invalid UUID: ") + escapeControlCharacters(entry.id));
        return std::nullopt;
    }
    return DiscoverableMac(
        *id, entry.name, entry.version, PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), entry.port),
        QUuid::createUuid().toString(QUuid::WithoutBraces).toLower(), entry.securityCode, m_clock->now());
}

} // namespace verandel
