#pragma once

#include "avahi/AvahiServiceBrowser.h"

#include <QByteArrayList>
#include <QList>

#include <map>
#include <optional>
#include <tuple>

namespace verandel {

// Where one service instance was resolved: one interface and protocol.
struct AvahiServiceAddress
{
    int interfaceIndex = -1;
    int protocol = -1;
    QString host;
    QString address;
    quint16 port = 0;

    bool operator==(const AvahiServiceAddress &) const = default;
};

// One DNS-SD service instance (name, type, domain) over every interface and protocol it was seen on.
struct AvahiServiceInstance
{
    QString name;
    QString type;
    QString domain;
    // Ordered by interface, then protocol.
    QList<AvahiServiceAddress> addresses;
    // The TXT record most recently resolved on any of them.
    QByteArrayList txt;

    bool operator==(const AvahiServiceInstance &) const = default;
};

struct AvahiInstanceChange
{
    enum class Kind { Added, Changed, Identical, Removed };
    Kind kind = Kind::Identical;
    // For Removed: the instance as it was last reported.
    AvahiServiceInstance instance;
};

// Folds Avahi's per-interface, per-protocol reports into one result per service instance, each
// report answering whether the instance was added, changed, stayed identical or was removed.
class AvahiBrowseAggregator
{
public:
    AvahiInstanceChange resolved(const AvahiResolvedService &service);
    // None when the instance had never been resolved there.
    std::optional<AvahiInstanceChange> lost(const AvahiServiceKey &key);
    QList<AvahiServiceInstance> instances() const;
    void clear() { m_instances.clear(); }

private:
    using InstanceName = std::tuple<QString, QString, QString>;
    using Via = std::pair<int, int>;

    struct Sighting
    {
        AvahiServiceAddress address;
        QByteArrayList txt;
        quint64 sequence = 0;
    };

    struct Instance
    {
        std::map<Via, Sighting> sightings;
        AvahiServiceInstance current;
    };

    static AvahiServiceInstance merge(const InstanceName &name, const std::map<Via, Sighting> &sightings);

    std::map<InstanceName, Instance> m_instances;
    quint64 m_sequence = 0;
};

} // namespace verandel
