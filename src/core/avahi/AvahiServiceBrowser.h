#pragma once

#include "foundation/LoggerFactory.h"

#include <QByteArrayList>
#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QMap>
#include <QObject>

#include <set>
#include <tuple>

class QDBusServiceWatcher;

namespace verandel {

// One service instance as Avahi reports it: seen on one interface over one protocol.
struct AvahiServiceKey
{
    int interfaceIndex = -1;
    int protocol = -1;
    QString name;
    QString type;
    QString domain;

    bool operator==(const AvahiServiceKey &) const = default;
    bool operator<(const AvahiServiceKey &other) const
    {
        return std::tie(interfaceIndex, protocol, name, type, domain)
            < std::tie(other.interfaceIndex, other.protocol, other.name, other.type, other.domain);
    }
};

// What a resolver found for one service instance.
struct AvahiResolvedService
{
    AvahiServiceKey key;
    QString host;
    int addressProtocol = -1;
    QString address;
    quint16 port = 0;
    QByteArrayList txt;
};

// Browses one DNS-SD service type through Avahi and keeps one resolver per instance until the
// instance goes away: a changed TXT record arrives only as a new Found on the live resolver. A
// failing or vanishing daemon is reported through failed(); nothing restarts by itself.
class AvahiServiceBrowser : public QObject
{
    Q_OBJECT

public:
    AvahiServiceBrowser(QDBusConnection bus, QString serviceType, QString domain, LoggerFactory &loggerFactory,
                        QObject *parent = nullptr);
    ~AvahiServiceBrowser() override;

    void start();
    // Frees the browser and every resolver; no signal follows.
    void stop();

Q_SIGNALS:
    void started();
    void allForNow();
    void resolved(const verandel::AvahiResolvedService &service);
    // The instance was removed, or its resolver lost it.
    void lost(const verandel::AvahiServiceKey &key);
    void failed(const QString &error);

private Q_SLOTS:
    void onItemNew(const QDBusMessage &message);
    void onItemRemove(const QDBusMessage &message);
    void onBrowserFailure(const QDBusMessage &message);
    void onAllForNow(const QDBusMessage &message);
    void onFound(const QDBusMessage &message);
    void onResolverFailure(const QDBusMessage &message);

private:
    QCoro::Task<> startBrowser();
    QCoro::Task<> startResolver(AvahiServiceKey key);
    void fail(const QString &error);
    void clear();

    QDBusConnection m_bus;
    QString m_serviceType;
    QString m_domain;
    LoggerPtr m_logger;
    QDBusServiceWatcher *m_watcher = nullptr;

    bool m_active = false;
    QString m_browserPath;
    // Every instance the browser reported, with its resolver's path (empty while being prepared).
    QMap<AvahiServiceKey, QString> m_instances;
    QHash<QString, AvahiServiceKey> m_resolverKeys;
    std::set<AvahiServiceKey> m_resolved;
    // Changes on stop and on failure, so replies for an earlier run are dropped.
    quint64 m_generation = 0;
};

} // namespace verandel

Q_DECLARE_METATYPE(verandel::AvahiResolvedService)
Q_DECLARE_METATYPE(verandel::AvahiServiceKey)
