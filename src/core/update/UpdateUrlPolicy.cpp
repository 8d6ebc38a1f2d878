#include "update/UpdateUrlPolicy.h"

#include <QHostAddress>

namespace verandel::UpdateUrlPolicy {

namespace {

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool isAbsoluteWithHost(const QUrl &url)
{
    return url.isValid() && !url.isRelative() && !url.host().isEmpty();
}

} // namespace

bool isOpenableWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return isAbsoluteWithHost(url) && (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"));
}

bool isFetchableUrl(const QUrl &url)
{
    if (!isAbsoluteWithHost(url)) {
        return false;
    }
    const QString scheme = url.scheme().toLower();
    return scheme == QStringLiteral("https") || (scheme == QStringLiteral("http") && isLoopbackHost(url.host()));
}

bool isFollowableRedirect(const QUrl &from, const QUrl &to)
{
    const bool downgrade
        = from.scheme().toLower() == QStringLiteral("https") && to.scheme().toLower() != QStringLiteral("https");
    return !downgrade && isFetchableUrl(to);
}

} // namespace verandel::UpdateUrlPolicy
