#include "linking/NetworkPathSource.h"

#include <QNetworkInformation>

namespace verandel {

namespace {

bool reachable(QNetworkInformation::Reachability reachability)
{
    return reachability != QNetworkInformation::Reachability::Disconnected;
}

} // namespace

void NetworkPathSource::start()
{
    if (std::exchange(m_started, true)) {
        return;
    }
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        QMetaObject::invokeMethod(
            this, [this] { report(true); }, Qt::QueuedConnection);
        return;
    }
    QNetworkInformation *information = QNetworkInformation::instance();
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) { report(reachable(reachability)); });
    // Read when it is reported, so that a change in between is not overtaken by a stale value.
    QMetaObject::invokeMethod(
        this, [this, information] { report(reachable(information->reachability())); }, Qt::QueuedConnection);
}

void NetworkPathSource::report(bool satisfied)
{
    m_satisfied = satisfied;
    Q_EMIT pathUpdated(satisfied);
}

} // namespace verandel
