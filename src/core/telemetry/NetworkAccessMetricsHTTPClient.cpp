#include "telemetry/NetworkAccessMetricsHTTPClient.h"

#include "foundation/OneShot.h"
#include "telemetry/DiscardingCookieJar.h"
#include "telemetry/MetricsHTTPClientError.h"

#include <QNetworkReply>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>

namespace verandel {

namespace {

// Statuses Qt follows by itself when the answer names a target.
bool isFollowedRedirect(int status, const QNetworkReply &reply)
{
    static constexpr int redirects[] = {301, 302, 303, 305, 307, 308};
    return std::find(std::begin(redirects), std::end(redirects), status) != std::end(redirects)
        && reply.hasRawHeader("Location");
}

std::optional<int> statusOf(const QNetworkReply &reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        return std::nullopt;
    }
    return status.toInt();
}

} // namespace

NetworkAccessMetricsHTTPClient::NetworkAccessMetricsHTTPClient(std::chrono::milliseconds timeout)
    : m_timeout(timeout)
{
    m_manager.setCookieJar(new DiscardingCookieJar(&m_manager));
}

QCoro::Task<> NetworkAccessMetricsHTTPClient::send(QNetworkRequest request)
{
    const auto self = shared_from_this();
    // Only an HTTP answer has a status; other schemes would read local resources.
    const QString scheme = request.url().scheme().toLower();
    if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) {
        throw MetricsHTTPClientError::invalidResponse();
    }
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));

    const QPointer<QNetworkReply> reply = m_manager.get(request);
    reply->setReadBufferSize(1);

    OneShot<int> status;
    const QMetaObject::Connection onMetaData
        = QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, status]() mutable {
              const std::optional<int> code = statusOf(*reply);
              if (code && !isFollowedRedirect(*code, *reply)) {
                  status.answer(*code);
              }
          });
    const QMetaObject::Connection onFinished
        = QObject::connect(reply, &QNetworkReply::finished, reply, [reply, status]() mutable {
              if (const std::optional<int> code = statusOf(*reply)) {
                  status.answer(*code);
              } else if (reply->error() == QNetworkReply::OperationCanceledError) {
                  // Only the transfer time-out cancels a reply that has no status yet.
                  status.fail(std::make_exception_ptr(MetricsHTTPClientError::timedOut()));
              } else if (reply->error() != QNetworkReply::NoError) {
                  status.fail(std::make_exception_ptr(MetricsHTTPClientError::transportFailed(reply->errorString())));
              } else {
                  status.fail(std::make_exception_ptr(MetricsHTTPClientError::invalidResponse()));
              }
          });
    const auto cleanup = qScopeGuard([reply, onMetaData, onFinished] {
        QObject::disconnect(onMetaData);
        QObject::disconnect(onFinished);
        if (reply) {
            reply->abort();
            reply->deleteLater();
        }
    });

    const int code = co_await status;
    if (code < 200 || code > 299) {
        throw MetricsHTTPClientError::unsuccessfulStatusCode(code);
    }
}

} // namespace verandel
