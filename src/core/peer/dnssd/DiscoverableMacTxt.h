#pragma once

#include "peer/dnssd/TxtRecord.h"
#include "records/DiscoverableMac.h"

#include <QDateTime>

#include <optional>

namespace verandel {

// How a computer's record travels in DNS-SD: the local computer's own record is advertised in the
// TXT record of its service, and every service found by browsing becomes such a record again.
struct DiscoverableMacTxt
{
    // The DNS-SD service type every computer advertises its frame listener under.
    static QString serviceType() { return QStringLiteral("_verandel._tcp"); }

    struct Keys
    {
        static QByteArray id() { return QByteArrayLiteral("id"); }
        static QByteArray name() { return QByteArrayLiteral("name"); }
        static QByteArray version() { return QByteArrayLiteral("version"); }
        static QByteArray installationId() { return QByteArrayLiteral("installationId"); }
        static QByteArray securityCode() { return QByteArrayLiteral("securityCode"); }
    };

    // The record a browse result's TXT record describes; none when "id", "name", "version" or
    // "installationId" is missing or has no value, when a value is not UTF-8, or when "id" or
    // "installationId" is not a UUID. discoveredAt is the moment the record is made (the caller's clock).
    static std::optional<DiscoverableMac> from(const PeerEndpoint &endpoint, const TxtRecord &txtRecord,
                                               const QDateTime &discoveredAt);

    // The TXT record advertising a record: "id" (upper-case UUID), "name", "version",
    // "installationId" and, when present, "securityCode".
    static TxtRecord txtRecordData(const DiscoverableMac &mac);
};

} // namespace verandel
