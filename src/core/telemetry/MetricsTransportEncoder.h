#pragma once

#include "telemetry/MetricsEvent.h"
#include "telemetry/MetricsTransportEncoderError.h"

#include <QNetworkRequest>
#include <QUrl>

namespace verandel {

// Turns one event into one image-beacon GET: "ba.gif" under the base URL with every fact in short
// query items. Refuses identifiers that are not UUIDs and versions that are not sanitized, so only
// ids, codes, numbers and version numbers ever leave the computer. Reads no clock and no state.
class MetricsTransportEncoder
{
public:
    static inline const QString transportVersion = QStringLiteral("1");

    explicit MetricsTransportEncoder(QUrl baseURL);

    const QUrl &baseURL() const { return m_baseURL; }

    // Throws MetricsTransportEncoderError; the first failure in this order wins: the base URL, the
    // runtime metadata, then the identifiers in query order.
    QNetworkRequest encode(const MetricsEvent &event) const;

private:
    QUrl normalizedBaseURL() const;

    QUrl m_baseURL;
};

} // namespace verandel
