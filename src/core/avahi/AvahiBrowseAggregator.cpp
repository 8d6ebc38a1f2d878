#include "avahi/AvahiBrowseAggregator.h"

namespace verandel {

AvahiInstanceChange AvahiBrowseAggregator::resolved(const AvahiResolvedService &service)
{
    const InstanceName name{service.key.name, service.key.type, service.key.domain};
    const Via via{service.key.interfaceIndex, service.key.protocol};
    const AvahiServiceAddress address{service.key.interfaceIndex, service.key.protocol, service.host, service.address,
                                      service.port};
    const auto existing = m_instances.find(name);
    const bool isNew = existing == m_instances.end();
    Instance &instance = m_instances[name];
    instance.sightings[via] = Sighting{address, service.txt, ++m_sequence};
    AvahiServiceInstance merged = merge(name, instance.sightings);
    AvahiInstanceChange::Kind kind = AvahiInstanceChange::Kind::Added;
    if (!isNew) {
        kind = merged == instance.current ? AvahiInstanceChange::Kind::Identical : AvahiInstanceChange::Kind::Changed;
    }
    instance.current = merged;
    return AvahiInstanceChange{kind, std::move(merged)};
}

std::optional<AvahiInstanceChange> AvahiBrowseAggregator::lost(const AvahiServiceKey &key)
{
    const auto found = m_instances.find(InstanceName{key.name, key.type, key.domain});
    if (found == m_instances.end() || found->second.sightings.erase(Via{key.interfaceIndex, key.protocol}) == 0) {
        return std::nullopt;
    }
    Instance &instance = found->second;
    if (instance.sightings.empty()) {
        AvahiInstanceChange change{AvahiInstanceChange::Kind::Removed, std::move(instance.current)};
        m_instances.erase(found);
        return change;
    }
    AvahiServiceInstance merged = merge(found->first, instance.sightings);
    const auto kind
        = merged == instance.current ? AvahiInstanceChange::Kind::Identical : AvahiInstanceChange::Kind::Changed;
    instance.current = merged;
    return AvahiInstanceChange{kind, std::move(merged)};
}

QList<AvahiServiceInstance> AvahiBrowseAggregator::instances() const
{
    QList<AvahiServiceInstance> result;
    for (const auto &[name, instance] : m_instances) {
        result.append(instance.current);
    }
    return result;
}

AvahiServiceInstance AvahiBrowseAggregator::merge(const InstanceName &name, const std::map<Via, Sighting> &sightings)
{
    AvahiServiceInstance merged{std::get<0>(name), std::get<1>(name), std::get<2>(name), {}, {}};
    quint64 latest = 0;
    for (const auto &[via, sighting] : sightings) {
        merged.addresses.append(sighting.address);
        if (sighting.sequence > latest) {
            latest = sighting.sequence;
            merged.txt = sighting.txt;
        }
    }
    return merged;
}

} // namespace verandel
