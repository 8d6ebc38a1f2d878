#include "update/UpdateHttpClient.h"

#include "foundation/OneShot.h"
#include "telemetry/DiscardingCookieJar.h"
#include "update/UpdateUrlPolicy.h"
#include "update/UpdaterError.h"

#include <QNetworkReply>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

namespace verandel {

namespace {

enum class Outcome { finished, redirected, tooLong, timedOut };

QString failureText(Outcome outcome, const QNetworkReply &reply)
{
    switch (outcome) {
    case Outcome::tooLong: return QStringLiteral("The server sent more data than expected.");
    case Outcome::timedOut: return QStringLiteral("The server did not answer in time.");
    case Outcome::finished:
    case Outcome::redirected: break;
    }
    return reply.errorString();
}

int statusOf(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

bool isSuccess(const QNetworkReply &reply)
{
    const int status = statusOf(reply);
    return status >= 200 && status <= 299;
}

// Where a redirect answer points, resolved against the address asked for.
std::optional<QUrl> redirectTarget(const QNetworkReply &reply)
{
    const int status = statusOf(reply);
    const QUrl target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (status < 300 || status > 399 || target.isEmpty()) {
        return std::nullopt;
    }
    return reply.url().resolved(target);
}

std::chrono::milliseconds remaining(const QDeadlineTimer &deadline)
{
    return std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
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
    const auto errorCode = static_cast<UpdaterError::Code>(limits.errorCode);
    if (!UpdateUrlPolicy::isFetchableUrl(url)) {
        throw UpdaterError(errorCode, QStringLiteral("The update address is not allowed."));
    }
    // Not Qt's own redirect handling: on Qt 6.4 the reply already names the target when a hop is to be
    // checked, and a chain of two or more hops ends without its body. Each hop is a request of ours,
    // checked against every address asked for before it.
    const Deadlines deadlines{QDeadlineTimer(limits.totalTimeout), QDeadlineTimer(redirectChainTimeout)};
    QList<QUrl> chain{url};
    while (true) {
        const QUrl next = chain.last();
        const Hop hop = co_await request(next, limits, deadlines, sink);
        if (!hop.redirect) {
            const qint64 received = hop.received;
            co_return received;
        }
        if (const std::optional<QString> refusal = UpdateUrlPolicy::redirectRefusal(chain, *hop.redirect)) {
            throw UpdaterError(errorCode, *refusal);
        }
        chain.append(*hop.redirect);
    }
}

QCoro::Task<UpdateHttpClient::Hop> UpdateHttpClient::request(QUrl url, Limits limits, Deadlines deadlines, Sink sink)
{
    const auto self = shared_from_this();
    const qint64 maxBytes = limits.maxBytes;
    const auto errorCode = static_cast<UpdaterError::Code>(limits.errorCode);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(static_cast<int>(limits.stallTimeout.count()));

    const QPointer<QNetworkReply> reply = m_manager.get(request);
    auto received = std::make_shared<qint64>(0);
    auto redirect = std::make_shared<std::optional<QUrl>>();
    OneShot<Outcome> outcome;
    auto end = [reply, outcome](Outcome why) mutable {
        if (outcome.answer(why) && why != Outcome::finished && reply) {
            reply->abort();
        }
    };
    auto *chainTimer = new QTimer(reply);
    chainTimer->setSingleShot(true);
    // The answer's head decides: a redirect ends the hop at once (its body is not wanted); any other
    // answer has begun, so the chain's deadline is met.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, end, redirect, chainTimer]() mutable {
        *redirect = redirectTarget(*reply);
        if (*redirect) {
            end(Outcome::redirected);
        } else {
            chainTimer->stop();
        }
    });
    // Only a successful answer's body reaches the sink; any other is counted against the cap and dropped.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, end, received, maxBytes, sink]() mutable {
        const bool keep = isSuccess(*reply);
        while (reply->bytesAvailable() > 0 && !reply->isFinished()) {
            const QByteArray chunk = reply->read(std::min<qint64>(reply->bytesAvailable(), 1024 * 1024));
            *received += chunk.size();
            if (*received > maxBytes) {
                end(Outcome::tooLong);
                return;
            }
            if (keep) {
                sink(chunk);
            }
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [end]() mutable { end(Outcome::finished); });
    QObject::connect(chainTimer, &QTimer::timeout, reply, [end]() mutable { end(Outcome::timedOut); });
    chainTimer->start(remaining(deadlines.redirectChain));
    QTimer::singleShot(remaining(deadlines.total), reply, [end]() mutable { end(Outcome::timedOut); });
    const auto cleanup = qScopeGuard([reply] {
        if (reply) {
            reply->disconnect();
            reply->abort();
            reply->deleteLater();
        }
    });

    const Outcome result = co_await outcome;
    if (!reply) {
        throw UpdaterError(errorCode, QStringLiteral("The transfer was cancelled."));
    }
    Hop hop;
    if (result == Outcome::finished && !*redirect) {
        *redirect = redirectTarget(*reply);
    }
    if (*redirect) {
        hop.redirect = *redirect;
        co_return hop;
    }
    if (result == Outcome::finished) {
        // What is left after the last readyRead.
        const QByteArray rest = reply->readAll();
        *received += rest.size();
        if (*received > maxBytes) {
            throw UpdaterError(errorCode, failureText(Outcome::tooLong, *reply));
        }
        if (isSuccess(*reply)) {
            sink(rest);
        }
    }
    if (result != Outcome::finished || reply->error() != QNetworkReply::NoError) {
        throw UpdaterError(errorCode, failureText(result, *reply));
    }
    if (!isSuccess(*reply)) {
        throw UpdaterError(errorCode, QStringLiteral("The server answered with status %1.").arg(statusOf(*reply)));
    }
    hop.received = *received;
    co_return hop;
}

void UpdateHttpClient::abortAll()
{
    for (QNetworkReply *reply : m_manager.findChildren<QNetworkReply *>()) {
        reply->abort();
    }
}

} // namespace verandel
