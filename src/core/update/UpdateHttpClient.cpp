#include "update/UpdateHttpClient.h"

#include "foundation/OneShot.h"
#include "telemetry/DiscardingCookieJar.h"
#include "update/UpdateUrlPolicy.h"
#include "update/UpdaterError.h"

#include <QNetworkReply>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

namespace verandel {

namespace {

enum class Outcome { finished, tooLong, refusedRedirect, timedOut };

QString failureText(Outcome outcome, const QNetworkReply &reply)
{
    switch (outcome) {
    case Outcome::tooLong: return QStringLiteral("The server sent more data than expected.");
    case Outcome::refusedRedirect: return QStringLiteral("The server redirected to an address that is not allowed.");
    case Outcome::timedOut: return QStringLiteral("The server did not answer in time.");
    case Outcome::finished: break;
    }
    return reply.errorString();
}

} // namespace

UpdateHttpClient::UpdateHttpClient()
{
    m_manager.setCookieJar(new DiscardingCookieJar(&m_manager));
}

QCoro::Task<QByteArray> UpdateHttpClient::fetch(QUrl url, Limits limits)
{
    const auto self = shared_from_this();
    auto body = std::make_shared<QByteArray>();
    Sink sink = [body](const QByteArray &chunk) { body->append(chunk); };
    co_await stream(std::move(url), limits, std::move(sink));
    QByteArray result = *body;
    co_return result;
}

QCoro::Task<qint64> UpdateHttpClient::stream(QUrl url, Limits limits, Sink sink)
{
    const auto self = shared_from_this();
    const qint64 maxBytes = limits.maxBytes;
    const auto errorCode = static_cast<UpdaterError::Code>(limits.errorCode);
    if (!UpdateUrlPolicy::isFetchableUrl(url)) {
        throw UpdaterError(errorCode, QStringLiteral("The update address is not allowed."));
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(static_cast<int>(limits.stallTimeout.count()));

    const QPointer<QNetworkReply> reply = m_manager.get(request);
    auto received = std::make_shared<qint64>(0);
    OneShot<Outcome> outcome;
    auto end = [reply, outcome](Outcome why) mutable {
        if (outcome.answer(why) && why != Outcome::finished && reply) {
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, end](const QUrl &target) mutable {
        if (UpdateUrlPolicy::isFollowableRedirect(reply->url(), target)) {
            Q_EMIT reply->redirectAllowed();
        } else {
            end(Outcome::refusedRedirect);
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, end, received, maxBytes, sink]() mutable {
        while (reply->bytesAvailable() > 0 && !reply->isFinished()) {
            const QByteArray chunk = reply->read(std::min<qint64>(reply->bytesAvailable(), 1024 * 1024));
            *received += chunk.size();
            if (*received > maxBytes) {
                end(Outcome::tooLong);
                return;
            }
            sink(chunk);
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [end]() mutable { end(Outcome::finished); });
    QTimer::singleShot(limits.totalTimeout, reply, [end]() mutable { end(Outcome::timedOut); });
    const auto cleanup = qScopeGuard([reply] {
        if (reply) {
            reply->disconnect();
            reply->abort();
            reply->deleteLater();
        }
    });

    const Outcome result = co_await outcome;
    if (result == Outcome::finished && reply) {
        // What is left after the last readyRead.
        const QByteArray rest = reply->readAll();
        *received += rest.size();
        if (*received > maxBytes) {
            throw UpdaterError(errorCode, failureText(Outcome::tooLong, *reply));
        }
        sink(rest);
    }
    if (!reply) {
        throw UpdaterError(errorCode, QStringLiteral("The transfer was cancelled."));
    }
    if (result != Outcome::finished || reply->error() != QNetworkReply::NoError) {
        throw UpdaterError(errorCode, failureText(result, *reply));
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        throw UpdaterError(errorCode, QStringLiteral("The server answered with status %1.").arg(status));
    }
    const qint64 total = *received;
    co_return total;
}

} // namespace verandel
