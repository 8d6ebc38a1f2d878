#include "models/CheckForUpdatesViewModel.h"

#include <QPointer>

namespace verandel {

CheckForUpdatesViewModel::CheckForUpdatesViewModel(CanCheckForUpdatesPublisherPtr canCheckForUpdatesPublisher,
                                                   QObject *parent)
    : QObject(parent)
    , m_publisher(std::move(canCheckForUpdatesPublisher))
{
    connect(m_publisher.get(), &CanCheckForUpdatesPublisher::canCheckForUpdatesChanged, this,
            &CheckForUpdatesViewModel::assign, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        this, [this] { assign(m_publisher->canCheckForUpdates()); }, Qt::QueuedConnection);
}

void CheckForUpdatesViewModel::assign(bool canCheck)
{
    m_canCheckForUpdates = canCheck;
    Q_EMIT canCheckForUpdatesChanged(canCheck);
}

} // namespace verandel
