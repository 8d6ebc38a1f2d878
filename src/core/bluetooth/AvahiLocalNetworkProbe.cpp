#include "bluetooth/AvahiLocalNetworkProbe.h"

#include "bluetooth/AvahiProbeSession.h"

#include <QCoro/QCoroSignal>

#include <functional>
#include <memory>

namespace verandel {

const QString AvahiLocalNetworkProbe::serviceType = QStringLiteral("_verandel._tcp");

AvahiLocalNetworkProbe::AvahiLocalNetworkProbe(QDBusConnection bus)
    : m_bus(std::move(bus))
{ }

std::optional<SystemPermissionStatus> AvahiLocalNetworkProbe::statusForError(const QString &errorName,
                                                                             const QString &message)
{
    if (errorName == QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")
        || errorName == QStringLiteral("org.freedesktop.Avahi.AccessDeniedError")
        || errorName == QStringLiteral("org.freedesktop.Avahi.NotPermittedError")) {
        return SystemPermissionStatus::Denied;
    }
    if (message.contains(QStringLiteral("access denied"), Qt::CaseInsensitive)
        || message.contains(QStringLiteral("not permitted"), Qt::CaseInsensitive)) {
        return SystemPermissionStatus::Denied;
    }
    return std::nullopt;
}

QCoro::Task<SystemPermissionStatus> AvahiLocalNetworkProbe::checkStatus(std::stop_token token)
{
    if (token.stop_requested()) {
        co_return SystemPermissionStatus::Unknown;
    }
    const auto session = std::make_shared<AvahiProbeSession>(m_bus);
    AvahiProbeSession *raw = session.get();
    // Stopping resumes us from the event loop, never from inside request_stop().
    const std::function<void()> onStop
        = [raw] { QMetaObject::invokeMethod(raw, &AvahiProbeSession::stop, Qt::QueuedConnection); };
    const std::stop_callback<std::function<void()>> stopCallback(token, onStop);
    session->start(serviceType);
    if (!session->status()) {
        co_await qCoro(raw, &AvahiProbeSession::decided);
    }
    co_return session->status().value_or(SystemPermissionStatus::Unknown);
}

} // namespace verandel
