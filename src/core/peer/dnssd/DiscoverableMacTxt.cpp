#include "peer/dnssd/DiscoverableMacTxt.h"

#include "foundation/JsonFields.h"

#include <QStringDecoder>

namespace verandel {

namespace {

std::optional<QString> utf8Value(const TxtRecord &record, const QByteArray &key)
{
    const std::optional<QByteArray> bytes = record.value(key);
    if (!bytes) {
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(*bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::optional<DiscoverableMac> DiscoverableMacTxt::from(const PeerEndpoint &endpoint, const TxtRecord &txtRecord,
                                                        const QDateTime &discoveredAt)
{
    const std::optional<QString> idText = utf8Value(txtRecord, Keys::id());
    const std::optional<QUuid> id = idText ? json::uuidFromString(*idText) : std::nullopt;
    if (!id) {
        return std::nullopt;
    }
    std::optional<QString> name = utf8Value(txtRecord, Keys::name());
    if (!name) {
        return std::nullopt;
    }
    std::optional<QString> version = utf8Value(txtRecord, Keys::version());
    if (!version) {
        return std::nullopt;
    }
    const std::optional<QString> installationText = utf8Value(txtRecord, Keys::installationId());
    const std::optional<QUuid> installationId
        = installationText ? json::uuidFromString(*installationText) : std::nullopt;
    if (!installationId) {
        return std::nullopt;
    }
    return DiscoverableMac(*id, std::move(*name), std::move(*version), endpoint,
                           installationId->toString(QUuid::WithoutBraces).toLower(),
                           utf8Value(txtRecord, Keys::securityCode()), discoveredAt);
}

TxtRecord DiscoverableMacTxt::txtRecordData(const DiscoverableMac &mac)
{
    TxtRecord record;
    record.set(Keys::id(), json::uuidToString(mac.id()).toUtf8());
    record.set(Keys::name(), mac.name().toUtf8());
    record.set(Keys::version(), mac.version().toUtf8());
    record.set(Keys::installationId(), mac.installationId().toUtf8());
    if (mac.securityCode()) {
        record.set(Keys::securityCode(), mac.securityCode()->toUtf8());
    }
    return record;
}

} // namespace verandel
