#pragma once

#include <QNetworkCookie>
#include <QNetworkCookieJar>

namespace verandel {

// A cookie jar that keeps nothing, so no beacon carries state from an earlier answer.
class DiscardingCookieJar final : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookies, const QUrl &url) override;
};

} // namespace verandel
