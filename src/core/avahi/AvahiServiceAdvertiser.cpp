#include "avahi/AvahiServiceAdvertiser.h"

#include "avahi/AvahiDBus.h"
#include "peer/dnssd/DnsSdLimits.h"

#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QPointer>

#include <utility>

namespace verandel {

namespace {

// Each collision renames once; more steps than this in one run means something keeps undoing us.
constexpr int kMaxStepsPerRun = 64;

} // namespace

AvahiServiceAdvertiser::AvahiServiceAdvertiser(QDBusConnection bus, LoggerFactory &loggerFactory, QObject *parent)
    : ServiceAdvertiserProtocol(parent)
    , m_bus(std::move(bus))
    , m_logger(loggerFactory.createLogger(QStringLiteral("AvahiServiceAdvertiser")))
{
    avahi::registerTypes();
    m_watcher = new QDBusServiceWatcher(avahi::kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &newOwner) {
                if (!oldOwner.isEmpty()) {
                    daemonVanished();
                }
                if (!newOwner.isEmpty()) {
                    daemonAppeared();
                }
            });
    m_bus.connect(avahi::kService, avahi::kServerPath, avahi::kServerInterface, QStringLiteral("StateChanged"), this,
                  SLOT(onServerStateChanged(int, QString)));
    // An empty path matches the signals of every entry group; ours is picked by path.
    m_bus.connect(avahi::kService, QString(), avahi::kEntryGroupInterface, QStringLiteral("StateChanged"), this,
                  SLOT(onGroupStateChanged(QDBusMessage)));
}

AvahiServiceAdvertiser::~AvahiServiceAdvertiser()
{
    avahi::sendFree(m_bus, m_groupPath, avahi::kEntryGroupInterface);
}

void AvahiServiceAdvertiser::advertise(const ServiceAdvertisement &advertisement)
{
    Service service{dnssd::boundedInstanceName(advertisement.name), advertisement.type, advertisement.port,
                    boundedTxt(advertisement.txtRecord.toStrings())};
    if (m_wanted == service && !m_failed) {
        return;
    }
    if (!m_wanted || m_wanted->name != service.name) {
        m_currentName = service.name;
    }
    if (!m_wanted || m_wanted->name != service.name || m_wanted->type != service.type
        || m_wanted->port != service.port) {
        m_logger->info(
            QStringLiteral("Advertising \"%1\" (%2) on port %3").arg(service.name, service.type).arg(service.port));
    }
    m_wanted = std::move(service);
    m_failed = false;
    synchronise();
}

void AvahiServiceAdvertiser::withdraw()
{
    if (!m_wanted) {
        return;
    }
    m_logger->info(QStringLiteral("Withdrawing \"%1\"").arg(m_currentName));
    m_wanted.reset();
    m_failed = false;
    synchronise();
}

QByteArrayList AvahiServiceAdvertiser::boundedTxt(const QByteArrayList &txt) const
{
    QByteArrayList bounded;
    bounded.reserve(txt.size());
    for (const QByteArray &entry : txt) {
        if (entry.size() > dnssd::kMaxTxtEntryBytes) {
            // Avahi would cut it silently, possibly inside a character.
            m_logger->warning(QStringLiteral("TXT entry \"%1\" is longer than %2 bytes and was cut")
                                  .arg(QString::fromUtf8(entry.left(entry.indexOf('='))))
                                  .arg(dnssd::kMaxTxtEntryBytes));
            bounded.append(dnssd::cutUtf8Bytes(entry, dnssd::kMaxTxtEntryBytes));
        } else {
            bounded.append(entry);
        }
    }
    return bounded;
}

void AvahiServiceAdvertiser::synchronise()
{
    if (m_running) {
        m_again = true;
        return;
    }
    runSynchronisation();
}

QCoro::Task<> AvahiServiceAdvertiser::runSynchronisation()
{
    QPointer<AvahiServiceAdvertiser> self(this);
    m_running = true;
    int steps = 0;
    do {
        m_again = false;
        while (true) {
            const bool more = co_await step();
            if (!self) {
                co_return;
            }
            if (!more) {
                break;
            }
            if (++steps > kMaxStepsPerRun) {
                fail(QStringLiteral("the service name keeps colliding"));
                break;
            }
        }
    } while (m_again);
    m_running = false;
}

QCoro::Task<bool> AvahiServiceAdvertiser::step()
{
    QPointer<AvahiServiceAdvertiser> self(this);
    const quint64 generation = m_generation;
    const auto stale = [&] { return !self || m_generation != generation; };

    if (!m_wanted) {
        if (!m_groupPath.isEmpty()) {
            const QString path = std::exchange(m_groupPath, QString());
            m_applied.reset();
            m_established = false;
            co_await avahi::call(m_bus, path, avahi::kEntryGroupInterface, QStringLiteral("Free"));
        }
        co_return false;
    }
    if (m_failed) {
        co_return false;
    }

    if (!m_serverRunning) {
        const QDBusMessage reply
            = co_await avahi::call(m_bus, avahi::kServerPath, avahi::kServerInterface, QStringLiteral("GetState"));
        if (stale()) {
            co_return bool(self);
        }
        if (avahi::isError(reply)) {
            fail(QStringLiteral("avahi-daemon is not available: ") + avahi::errorText(reply));
            co_return false;
        }
        // Not running yet: Server.StateChanged resumes us.
        const bool running = reply.arguments().value(0).toInt() == avahi::kServerRunning;
        m_serverRunning = running;
        co_return running;
    }

    if (m_currentName.isEmpty()) {
        const QDBusMessage reply
            = co_await avahi::call(m_bus, avahi::kServerPath, avahi::kServerInterface, QStringLiteral("GetHostName"));
        if (stale()) {
            co_return bool(self);
        }
        const QString hostName = dnssd::boundedInstanceName(reply.arguments().value(0).toString());
        if (avahi::isError(reply) || hostName.isEmpty()) {
            fail(QStringLiteral("no service name and no host name: ") + avahi::errorText(reply));
            co_return false;
        }
        m_currentName = hostName;
        co_return true;
    }

    if (m_collision) {
        const QVariantList arguments{m_currentName};
        const QDBusMessage reply = co_await avahi::call(m_bus, avahi::kServerPath, avahi::kServerInterface,
                                                        QStringLiteral("GetAlternativeServiceName"), arguments);
        if (stale()) {
            co_return bool(self);
        }
        const QString alternative = dnssd::boundedInstanceName(reply.arguments().value(0).toString());
        if (avahi::isError(reply) || alternative.isEmpty() || alternative == m_currentName) {
            fail(QStringLiteral("no alternative name for \"%1\": %2").arg(m_currentName, avahi::errorText(reply)));
            co_return false;
        }
        m_logger->warning(
            QStringLiteral("Service name \"%1\" is taken, advertising as \"%2\"").arg(m_currentName, alternative));
        m_currentName = alternative;
        m_collision = false;
        m_applied.reset();
        co_return true;
    }

    if (m_groupPath.isEmpty()) {
        const QDBusMessage reply
            = co_await avahi::call(m_bus, avahi::kServerPath, avahi::kServerInterface, QStringLiteral("EntryGroupNew"));
        if (stale()) {
            co_return bool(self);
        }
        const QString path = reply.arguments().value(0).value<QDBusObjectPath>().path();
        if (avahi::isError(reply) || path.isEmpty()) {
            fail(avahi::errorText(reply));
            co_return false;
        }
        m_groupPath = path;
        m_applied.reset();
        m_groupEmpty = true;
        co_return true;
    }

    const Service target{m_currentName, m_wanted->type, m_wanted->port, m_wanted->txt};
    if (m_applied == target) {
        co_return false;
    }
    const QString path = m_groupPath;
    if (m_applied && m_applied->name == target.name && m_applied->type == target.type
        && m_applied->port == target.port) {
        // Same interface, protocol and flags as AddService, or Avahi does not find the service.
        const QVariantList arguments{
            avahi::kInterfaceUnspecified,   avahi::kProtocolUnspecified, 0u, target.name, target.type, QString(),
            QVariant::fromValue(target.txt)};
        const QDBusMessage reply = co_await avahi::call(m_bus, path, avahi::kEntryGroupInterface,
                                                        QStringLiteral("UpdateServiceTxt"), arguments);
        if (stale()) {
            co_return bool(self);
        }
        if (avahi::isError(reply)) {
            m_logger->warning(QStringLiteral("Updating the TXT record failed (%1); adding the service again")
                                  .arg(avahi::errorText(reply)));
            m_applied.reset();
        } else {
            m_applied = target;
        }
        co_return true;
    }

    m_established = false;
    if (!m_groupEmpty) {
        const QDBusMessage reply
            = co_await avahi::call(m_bus, path, avahi::kEntryGroupInterface, QStringLiteral("Reset"));
        if (stale()) {
            co_return bool(self);
        }
        if (avahi::isError(reply)) {
            fail(avahi::errorText(reply));
            co_return false;
        }
        m_applied.reset();
        m_groupEmpty = true;
    }
    const QVariantList arguments{avahi::kInterfaceUnspecified,
                                 avahi::kProtocolUnspecified,
                                 0u,
                                 target.name,
                                 target.type,
                                 QString(),
                                 QString(),
                                 QVariant::fromValue(target.port),
                                 QVariant::fromValue(target.txt)};
    const QDBusMessage added
        = co_await avahi::call(m_bus, path, avahi::kEntryGroupInterface, QStringLiteral("AddService"), arguments);
    if (stale()) {
        co_return bool(self);
    }
    if (avahi::isError(added)) {
        if (added.errorName() == avahi::kCollisionError) {
            // Another service of this daemon holds the name: Avahi does not rename by itself.
            m_collision = true;
            co_return true;
        }
        fail(avahi::errorText(added));
        co_return false;
    }
    m_groupEmpty = false;
    const QDBusMessage committed
        = co_await avahi::call(m_bus, path, avahi::kEntryGroupInterface, QStringLiteral("Commit"));
    if (stale()) {
        co_return bool(self);
    }
    if (avahi::isError(committed)) {
        fail(avahi::errorText(committed));
        co_return false;
    }
    m_applied = target;
    co_return true;
}

void AvahiServiceAdvertiser::onGroupStateChanged(const QDBusMessage &message)
{
    if (m_groupPath.isEmpty() || message.path() != m_groupPath) {
        return;
    }
    const int state = message.arguments().value(0).toInt();
    const QString error = message.arguments().value(1).toString();
    switch (state) {
    case avahi::kGroupEstablished:
        if (!m_established && m_applied) {
            m_established = true;
            m_logger->info(QStringLiteral("Service \"%1\" established").arg(m_currentName));
            Q_EMIT advertised(m_currentName);
        }
        break;
    case avahi::kGroupCollision:
        // A host on the network has the name.
        m_established = false;
        m_collision = true;
        m_applied.reset();
        synchronise();
        break;
    case avahi::kGroupFailure:
        m_established = false;
        m_applied.reset();
        fail(error.isEmpty() ? QStringLiteral("entry group failure") : error);
        break;
    default: break;
    }
}

void AvahiServiceAdvertiser::onServerStateChanged(int state, const QString &)
{
    const bool running = state == avahi::kServerRunning;
    if (running == m_serverRunning) {
        return;
    }
    m_serverRunning = running;
    if (!running) {
        // The host name is being (re)registered; Avahi asks clients to publish again afterwards.
        m_applied.reset();
        m_established = false;
    }
    synchronise();
}

void AvahiServiceAdvertiser::daemonAppeared()
{
    m_failed = false;
    synchronise();
}

void AvahiServiceAdvertiser::daemonVanished()
{
    ++m_generation;
    m_groupPath.clear();
    m_applied.reset();
    m_serverRunning = false;
    m_established = false;
    if (m_wanted) {
        m_logger->warning(
            QStringLiteral("avahi-daemon stopped; \"%1\" is advertised again when it returns").arg(m_currentName));
        Q_EMIT advertisingFailed(TransportError::serviceRegistrationFailed(QStringLiteral("avahi-daemon stopped")));
    }
}

void AvahiServiceAdvertiser::fail(const QString &detail)
{
    m_failed = true;
    m_logger->error(QStringLiteral("Failed to register service: ") + detail);
    Q_EMIT advertisingFailed(TransportError::serviceRegistrationFailed(detail));
}

} // namespace verandel
