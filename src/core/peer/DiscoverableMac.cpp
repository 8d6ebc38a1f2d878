#include "peer/DiscoverableMac.h"

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

DiscoverableMac::DiscoverableMac(QUuid id, QString name, QString version, std::optional<PeerEndpoint> endpoint,
                                 QString installationId, std::optional<QString> securityCode, QDateTime discoveredAt)
    : m_id(id)
    , m_name(std::move(name))
    , m_version(std::move(version))
    , m_installationId(std::move(installationId))
    , m_discoveredAt(std::move(discoveredAt))
    , m_endpoint(std::move(endpoint))
    , m_securityCode(std::move(securityCode))
{ }

std::optional<DiscoverableMac> DiscoverableMac::from(const PeerEndpoint &endpoint, const TxtRecord &txtRecord,
                                                     const QDateTime &discoveredAt)
{
    const std::optional<QString> idText = utf8Value(txtRecord, TxtKeys::id());
    const std::optional<QUuid> id = idText ? json::uuidFromString(*idText) : std::nullopt;
    if (!id) {
        return std::nullopt;
    }
    std::optional<QString> name = utf8Value(txtRecord, TxtKeys::name());
    if (!name) {
        return std::nullopt;
    }
    std::optional<QString> version = utf8Value(txtRecord, TxtKeys::version());
    if (!version) {
        return std::nullopt;
    }
    const std::optional<QString> installationText = utf8Value(txtRecord, TxtKeys::installationId());
    const std::optional<QUuid> installationId
        = installationText ? json::uuidFromString(*installationText) : std::nullopt;
    if (!installationId) {
        return std::nullopt;
    }
    return DiscoverableMac(*id, std::move(*name), std::move(*version), endpoint,
                           installationId->toString(QUuid::WithoutBraces).toLower(),
                           utf8Value(txtRecord, TxtKeys::securityCode()), discoveredAt);
}

TxtRecord DiscoverableMac::txtRecordData() const
{
    TxtRecord record;
    record.set(TxtKeys::id(), json::uuidToString(m_id).toUtf8());
    record.set(TxtKeys::name(), m_name.toUtf8());
    record.set(TxtKeys::version(), m_version.toUtf8());
    record.set(TxtKeys::installationId(), m_installationId.toUtf8());
    if (m_securityCode) {
        record.set(TxtKeys::securityCode(), m_securityCode->toUtf8());
    }
    return record;
}

DiscoverableMac DiscoverableMac::withEndpoint(std::optional<PeerEndpoint> endpoint) const
{
    DiscoverableMac copy = *this;
    copy.m_endpoint = std::move(endpoint);
    return copy;
}

} // namespace verandel
