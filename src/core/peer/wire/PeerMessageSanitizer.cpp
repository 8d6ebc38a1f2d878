#include "peer/wire/PeerMessageSanitizer.h"

#include "foundation/JsonFields.h"
#include "foundation/LogText.h"
#include "records/MacAddress.h"

namespace verandel {

namespace {

std::optional<QString> tooLong(const char *what, qsizetype size)
{
    if (size <= PeerMessageSanitizer::MAX_LIST_LENGTH) {
        return std::nullopt;
    }
    return QStringLiteral("%1 holds %2 entries (at most %3)")
        .arg(QLatin1String(what), QString::number(size), QString::number(PeerMessageSanitizer::MAX_LIST_LENGTH));
}

std::optional<QString> canonicalizeAddress(QString &address)
{
    const std::optional<QString> canonical = MacAddress::canonicalize(address);
    if (!canonical) {
        return QStringLiteral("invalid MAC address \"%1\"").arg(escapeControlCharacters(address.left(64)));
    }
    address = *canonical;
    return std::nullopt;
}

// Transaction and telemetry device ids are made as UUIDs; refusing anything else keeps a peer's text
// out of the log lines, progress records and windows that show them.
std::optional<QString> requireUuid(const char *what, const QString &text)
{
    if (json::uuidFromString(text)) {
        return std::nullopt;
    }
    return QStringLiteral("%1 \"%2\" is not a UUID").arg(QLatin1String(what), escapeControlCharacters(text.left(64)));
}

std::optional<QString> sanitizePing(QStringList &addresses, std::optional<QString> &advertisedName)
{
    if (auto problem = tooLong("the MAC address list", addresses.size())) {
        return problem;
    }
    for (QString &address : addresses) {
        if (auto problem = canonicalizeAddress(address)) {
            return problem;
        }
    }
    if (advertisedName) {
        advertisedName = stripControlCharacters(*advertisedName);
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> PeerMessageSanitizer::sanitize(SendPingCommand &command)
{
    return sanitizePing(command.ownedDeviceMacAddresses, command.advertisedName);
}

std::optional<QString> PeerMessageSanitizer::sanitize(SendPingResponseCommand &command)
{
    return sanitizePing(command.ownedDeviceMacAddresses, command.advertisedName);
}

std::optional<QString> PeerMessageSanitizer::sanitize(SendTransferCommand &command)
{
    return requireUuid("transaction id", command.transactionId);
}

std::optional<QString> PeerMessageSanitizer::sanitize(DevicesReadyForPairingCommand &command)
{
    if (auto problem = requireUuid("transaction id", command.transactionId)) {
        return problem;
    }
    if (auto problem = tooLong("the device list", command.deviceDescriptors.size())) {
        return problem;
    }
    for (TransferDeviceDescriptor &descriptor : command.deviceDescriptors) {
        if (auto problem = canonicalizeAddress(descriptor.macAddress)) {
            return problem;
        }
        if (auto problem = requireUuid("telemetry device id", descriptor.telemetryDeviceId)) {
            return problem;
        }
    }
    return std::nullopt;
}

std::optional<QString> PeerMessageSanitizer::sanitize(SendConnectionRequestCommand &command)
{
    command.securityCode = stripControlCharacters(command.securityCode);
    return std::nullopt;
}

std::optional<QString> PeerMessageSanitizer::sanitize(AcceptConnectionRequestCommand &)
{
    return std::nullopt;
}

std::optional<QString> PeerMessageSanitizer::sanitize(RejectConnectionRequestCommand &)
{
    return std::nullopt;
}

} // namespace verandel
