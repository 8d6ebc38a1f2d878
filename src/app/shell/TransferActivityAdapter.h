#pragma once

#include "transfer/ControlCoordinator.h"
#include "update/TransferActivityProtocol.h"

namespace verandel {

// The control coordinator's running transfers as the updater reads them: an install waits for none.
class TransferActivityAdapter final : public TransferActivityProtocol
{
    Q_OBJECT

public:
    explicit TransferActivityAdapter(ControlCoordinatorPtr coordinator, QObject *parent = nullptr);

    int runningFlowCount() const override { return m_coordinator->runningFlowCount(); }

private:
    ControlCoordinatorPtr m_coordinator;
};

} // namespace verandel
