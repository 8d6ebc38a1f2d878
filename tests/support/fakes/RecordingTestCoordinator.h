#pragma once

#include "foundation/TestCoordinatorProtocol.h"

#include <QStringList>

namespace verandel::test {

// Keeps every signal in order; nobody waits.
class RecordingTestCoordinator final : public TestCoordinatorProtocol
{
public:
    QStringList signals;

    void signal(const QString &name) override { signals.append(name); }
    QCoro::Task<> waitForSignal(QString, double) override { co_return; }
    bool hasSignal(const QString &name) const override { return signals.contains(name); }
    bool clearSignal(const QString &name) override { return signals.removeAll(name) > 0; }
    void clearAllSignals() override { signals.clear(); }
    void reset() override { signals.clear(); }
};

} // namespace verandel::test
