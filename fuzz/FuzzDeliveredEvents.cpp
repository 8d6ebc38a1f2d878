#include "FuzzDeliveredEvents.h"

#include "FuzzPromises.h"
#include "FuzzRequire.h"

#include "foundation/JsonFields.h"
#include "peer/PeerCommunicationHub.h"
#include "records/MacAddress.h"

namespace verandel::fuzz {

namespace {

// What the program promises, held apart from the sanitizer's own constant.
constexpr qsizetype kMaxListLength = 100;

void requireBounded(qsizetype size)
{
    require(size <= kMaxListLength, QStringLiteral("a list of %1 entries delivered").arg(size));
}

// Checked as delivered, not normalised first: a spelling the sanitizer let through unchanged fails.
void requireCanonicalAddress(const QString &address)
{
    const std::optional<QString> canonical = MacAddress::canonicalize(address);
    require(canonical && *canonical == address, QStringLiteral("an address not canonical: ") + address);
}

void requireCanonicalAddresses(const QStringList &addresses)
{
    requireBounded(addresses.size());
    for (const QString &address : addresses) {
        requireCanonicalAddress(address);
    }
}

void requireCleanText(const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        require(!isControlOrBidiControl(c),
                QStringLiteral("peer text kept U+%1").arg(quint32(c), 4, 16, QLatin1Char('0')));
    }
}

void requireTransactionId(const QString &transactionId)
{
    require(json::uuidFromString(transactionId) && transactionId == transactionId.toLower(),
            QStringLiteral("a transaction id not a lower-case UUID: ") + transactionId);
}

} // namespace

DeliveredEventChecks::DeliveredEventChecks(PeerCommunicationHub &hub)
{
    QObject::connect(&hub, &PeerCommunicationHub::receivedPingRequests, &m_context,
                     [this](const PingRequestReceivedEvent &event) {
                         ++m_count;
                         requireCanonicalAddresses(event.deviceMacAddresses);
                         requireCleanText(event.advertisedName.value_or(QString()));
                     });
    QObject::connect(&hub, &PeerCommunicationHub::receivedPingResponses, &m_context,
                     [this](const PingResponseReceivedEvent &event) {
                         ++m_count;
                         requireCanonicalAddresses(event.deviceMacAddresses);
                         requireCleanText(event.advertisedName.value_or(QString()));
                     });
    QObject::connect(&hub, &PeerCommunicationHub::receivedTransferRequests, &m_context,
                     [this](const TransferRequestReceivedEvent &event) {
                         ++m_count;
                         requireTransactionId(event.transactionId);
                     });
    QObject::connect(&hub, &PeerCommunicationHub::receivedDevicesReadyEvents, &m_context,
                     [this](const DevicesReadyForPairingReceivedEvent &event) {
                         ++m_count;
                         requireTransactionId(event.transactionId);
                         requireBounded(event.deviceDescriptors.size());
                         for (const TransferDeviceDescriptor &descriptor : event.deviceDescriptors) {
                             requireCanonicalAddress(descriptor.macAddress);
                             require(json::uuidFromString(descriptor.telemetryDeviceId).has_value(),
                                     QStringLiteral("a telemetry device id not a UUID: ")
                                         + descriptor.telemetryDeviceId);
                         }
                     });
    QObject::connect(&hub, &PeerCommunicationHub::receivedConnectionRequests, &m_context,
                     [this](const ConnectionRequestReceivedEvent &event) {
                         ++m_count;
                         requireCleanText(event.securityCode);
                     });
    QObject::connect(&hub, &PeerCommunicationHub::receivedConnectionAccepted, &m_context,
                     [this](const ConnectionRequestAcceptedEvent &) { ++m_count; });
    QObject::connect(&hub, &PeerCommunicationHub::receivedConnectionRejected, &m_context,
                     [this](const ConnectionRequestRejectedEvent &) { ++m_count; });
}

} // namespace verandel::fuzz
