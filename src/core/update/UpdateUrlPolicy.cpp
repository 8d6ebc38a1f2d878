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

bool isHttps(const QUrl &url)
{
    return url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
}

// Two spellings of one address compare equal: "/a/./b" is "/a/b", and the fragment never reaches the
// server.
QUrl comparable(const QUrl &url)
{
    return url.adjusted(QUrl::NormalizePathSegments | QUrl::RemoveFragment);
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

std::optional<QString> redirectRefusal(const QList<QUrl> &chain, const QUrl &target)
{
    if (chain.size() > maxRedirects) {
        return QStringLiteral("The server redirected more than %1 times.").arg(maxRedirects);
    }
    if (!isFetchableUrl(target)) {
        return QStringLiteral("The server redirected to an address that is not allowed.");
    }
    const QUrl &from = chain.isEmpty() ? target : chain.last();
    if (isHttps(from) && !isHttps(target)) {
        return QStringLiteral("The server redirected from a secure address to an insecure one.");
    }
    if (!isHttps(target) && !(isLoopbackHost(from.host()) && isLoopbackHost(target.host()))) {
        return QStringLiteral("The server redirected to an address that is not allowed.");
    }
    const QUrl next = comparable(target);
    for (const QUrl &requested : chain) {
        if (comparable(requested) == next) {
            return QStringLiteral("The server redirected in a loop.");
        }
    }
    return std::nullopt;
}

} // namespace verandel::UpdateUrlPolicy
