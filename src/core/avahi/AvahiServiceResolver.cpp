#include "avahi/AvahiServiceResolver.h"

#include "avahi/AvahiDBus.h"
#include "foundation/CancellationError.h"
#include "foundation/LogText.h"
#include "peer/dnssd/TransportError.h"

#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QHostAddress>

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>

namespace verandel {

namespace {

// The daemon gives up on an instance after about 5 s; the call must outlive that answer.
constexpr int kResolveTimeoutMs = 10000;

// Waits for a D-Bus reply or the stop token, whichever comes first; none when stopped. Movable
// (QCoro may move awaitables): the watcher and the stop callback live on the heap.
class ReplyOrStop
{
public:
    ReplyOrStop(QDBusPendingCall call, std::stop_token token)
        : m_state(std::make_unique<State>(std::move(call), std::move(token)))
    { }

    bool await_ready() const { return m_state->token.stop_requested() || m_state->call.isFinished(); }

    void await_suspend(std::coroutine_handle<> handle)
    {
        State *state = m_state.get();
        state->watcher = std::make_unique<QDBusPendingCallWatcher>(state->call);
        QObject::connect(state->watcher.get(), &QDBusPendingCallWatcher::finished, state->watcher.get(),
                         [state, handle] { state->finish(handle); });
        state->stopCallback.emplace(state->token, [state, handle] {
            // Resume from the event loop, never from inside request_stop(); the watcher as
            // context drops the call when the wait ended (and its state went away) first.
            QMetaObject::invokeMethod(
                state->watcher.get(), [state, handle] { state->finish(handle); }, Qt::QueuedConnection);
        });
    }

    std::optional<QDBusMessage> await_resume()
    {
        m_state->stopCallback.reset();
        if (!m_state->call.isFinished()) {
            return std::nullopt;
        }
        return m_state->call.reply();
    }

private:
    struct State
    {
        State(QDBusPendingCall pendingCall, std::stop_token stopToken)
            : call(std::move(pendingCall))
            , token(std::move(stopToken))
        { }

        void finish(std::coroutine_handle<> handle)
        {
            if (!finished) {
                finished = true;
                handle.resume();
            }
        }

        QDBusPendingCall call;
        std::stop_token token;
        std::unique_ptr<QDBusPendingCallWatcher> watcher;
        std::optional<std::stop_callback<std::function<void()>>> stopCallback;
        bool finished = false;
    };

    std::unique_ptr<State> m_state;
};

TransportError resolveError(const QDBusMessage &reply)
{
    const QString name = reply.errorName();
    if (name == QStringLiteral("org.freedesktop.Avahi.TimeoutError")
        || name == QStringLiteral("org.freedesktop.DBus.Error.NoReply")) {
        return TransportError::timeout();
    }
    if (name == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")
        || name == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner")
        || name == QStringLiteral("org.freedesktop.DBus.Error.Disconnected")) {
        return TransportError::networkUnavailable();
    }
    return TransportError::unknown(avahi::errorText(reply));
}

} // namespace

AvahiServiceResolver::AvahiServiceResolver(QDBusConnection bus, LoggerFactory &loggerFactory)
    : m_bus(std::move(bus))
    , m_logger(loggerFactory.createLogger(QStringLiteral("AvahiServiceResolver")))
{
    avahi::registerTypes();
}

QCoro::Task<PeerEndpoint> AvahiServiceResolver::resolve(PeerEndpoint service, std::stop_token stop)
{
    if (!service.isServiceInstance()) {
        co_return service;
    }
    if (stop.stop_requested()) {
        throw CancellationError();
    }
    QDBusMessage message = QDBusMessage::createMethodCall(avahi::kService, avahi::kServerPath, avahi::kServerInterface,
                                                          QStringLiteral("ResolveService"));
    message.setArguments({avahi::kInterfaceUnspecified, avahi::kProtocolUnspecified, service.serviceName(),
                          service.serviceType(), service.serviceDomain(), avahi::kProtocolUnspecified, 0u});
    const std::optional<QDBusMessage> reply
        = co_await ReplyOrStop(m_bus.asyncCall(message, kResolveTimeoutMs), std::move(stop));
    if (!reply) {
        throw CancellationError();
    }
    if (avahi::isError(*reply)) {
        m_logger->warning(QStringLiteral("Cannot resolve %1: %2").arg(service.description(), avahi::errorText(*reply)));
        throw resolveError(*reply);
    }
    // (i interface, i protocol, s name, s type, s domain, s host, i aprotocol, s address, q port, aay txt, u flags)
    const QVariantList arguments = reply->arguments();
    QHostAddress address(arguments.value(7).toString());
    const auto port = static_cast<quint16>(arguments.value(8).toUInt());
    if (address.isNull() || port == 0) {
        m_logger->warning(QStringLiteral("Cannot resolve %1: the daemon gave no usable address (\"%2\", port %3)")
                              .arg(service.description(), escapeControlCharacters(arguments.value(7).toString()))
                              .arg(port));
        throw TransportError::invalidServiceInfo();
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol && address.isLinkLocal()) {
        address.setScopeId(QString::number(arguments.value(0).toInt()));
    }
    co_return service.withResolution({address}, port);
}

} // namespace verandel
