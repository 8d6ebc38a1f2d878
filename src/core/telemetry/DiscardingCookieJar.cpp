#include "telemetry/DiscardingCookieJar.h"

namespace verandel {

QList<QNetworkCookie> DiscardingCookieJar::cookiesForUrl(const QUrl &) const
{
    return {};
}

bool DiscardingCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &)
{
    return false;
}

} // namespace verandel
