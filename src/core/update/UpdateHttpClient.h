#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QNetworkAccessManager>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

namespace verandel {

// Fetches the feed and the release downloads through its own QNetworkAccessManager: only fetchable
// addresses (https; http to loopback), at most five redirects, each checked the same way and never
// down from https, no cookies, a byte cap that aborts a longer answer, a time-out while no data moves
// and one for the whole transfer. Failures throw UpdaterError with the given code.
//
// Always held by shared_ptr: a transfer in progress keeps its client alive.
class UpdateHttpClient final : public std::enable_shared_from_this<UpdateHttpClient>
{
public:
    static constexpr int maxRedirects = 5;

    UpdateHttpClient();

    // Receives each chunk of the body as it arrives.
    using Sink = std::function<void(const QByteArray &chunk)>;

    struct Limits
    {
        qint64 maxBytes = 0;
        std::chrono::milliseconds stallTimeout{0};
        std::chrono::milliseconds totalTimeout{0};
        int errorCode = 0; // the UpdaterError code of a failure
    };

    // The whole body, refused when longer than maxBytes.
    QCoro::Task<QByteArray> fetch(QUrl url, Limits limits);

    // Hands the body to the sink; refused when longer than maxBytes. Returns the bytes received.
    QCoro::Task<qint64> stream(QUrl url, Limits limits, Sink sink);

private:
    QNetworkAccessManager m_manager;
};

} // namespace verandel
