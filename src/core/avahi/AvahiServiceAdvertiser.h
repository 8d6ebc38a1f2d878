#pragma once

#include "foundation/LoggerFactory.h"
#include "peer/dnssd/ServiceAdvertiserProtocol.h"

#include <QByteArrayList>
#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QDBusMessage>

#include <optional>

class QDBusServiceWatcher;

namespace verandel {

// Publishes one DNS-SD service through an Avahi entry group and keeps it published: a changed
// name or port re-adds the service, a changed TXT record only updates it, a name collision picks
// Avahi's alternative name, and a restarted daemon gets the service again. A missing or failed
// daemon is logged and reported through advertisingFailed(), never thrown.
class AvahiServiceAdvertiser final : public ServiceAdvertiserProtocol
{
    Q_OBJECT

public:
    AvahiServiceAdvertiser(QDBusConnection bus, LoggerFactory &loggerFactory, QObject *parent = nullptr);
    ~AvahiServiceAdvertiser() override;

    // The name is cut to 63 bytes, an empty one replaced by the daemon's host name; TXT strings
    // longer than 255 bytes are cut with a warning (Avahi would cut them silently).
    void advertise(const verandel::ServiceAdvertisement &advertisement) override;
    void withdraw() override;

    bool isAdvertising() const { return m_wanted.has_value(); }
    // True while the daemon reports the current service as established.
    bool isEstablished() const { return m_established; }
    // The name the service is published under (differs from the one asked for after a collision).
    QString publishedName() const { return m_currentName; }

private Q_SLOTS:
    void onGroupStateChanged(const QDBusMessage &message);
    void onServerStateChanged(int state, const QString &error);

private:
    struct Service
    {
        QString name;
        QString type;
        quint16 port = 0;
        QByteArrayList txt;
        bool operator==(const Service &) const = default;
    };

    void synchronise();
    QCoro::Task<> runSynchronisation();
    // One step towards the wanted state; false when nothing more can be done for now.
    QCoro::Task<bool> step();
    void daemonAppeared();
    void daemonVanished();
    void fail(const QString &detail);
    QByteArrayList boundedTxt(const QByteArrayList &txt) const;

    QDBusConnection m_bus;
    LoggerPtr m_logger;
    QDBusServiceWatcher *m_watcher = nullptr;

    std::optional<Service> m_wanted;
    // What the entry group holds, committed; none when the group is empty or unknown.
    std::optional<Service> m_applied;
    QString m_groupPath;
    bool m_groupEmpty = true;
    QString m_currentName;
    bool m_serverRunning = false;
    bool m_collision = false;
    bool m_established = false;
    bool m_failed = false;
    bool m_running = false;
    bool m_again = false;
    // Changes when the daemon goes away, so replies of the old daemon are not applied.
    quint64 m_generation = 0;
};

} // namespace verandel
