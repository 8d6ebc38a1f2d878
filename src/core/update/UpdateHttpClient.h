#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace verandel {

// Fetches the feed and the release downloads through its own QNetworkAccessManager: only fetchable
// addresses (https; http to loopback), redirects followed one request per hop and each hop checked
// (UpdateUrlPolicy::redirectRefusal: at most five, never down from https, no loop), no cookies, a
// byte cap that aborts a longer answer, a time-out while no data moves, one for reaching an answer
// that is no redirect and one for the whole transfer. Failures throw UpdaterError with the given code.
//
// Always held by shared_ptr: a transfer in progress keeps its client alive.
class UpdateHttpClient final : public std::enable_shared_from_this<UpdateHttpClient>
{
public:
    // From the first request until the answer that is no redirect has begun, however many hops.
    static constexpr std::chrono::milliseconds redirectChainTimeout{20000};

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

    // Ends every transfer in progress as cancelled. A transfer holds its client, so an owner going
    // away calls this, or the waiting transfers would keep each other alive.
    void abortAll();

private:
    struct Deadlines
    {
        QDeadlineTimer total;
        QDeadlineTimer redirectChain;
    };
    // What one request ended with: where it redirects to, or the bytes of a successful body.
    struct Hop
    {
        std::optional<QUrl> redirect;
        qint64 received = 0;
    };

    QCoro::Task<Hop> request(QUrl url, Limits limits, Deadlines deadlines, Sink sink);

    QNetworkAccessManager m_manager;
};

} // namespace verandel
