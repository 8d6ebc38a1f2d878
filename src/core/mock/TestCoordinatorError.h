#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct TestCoordinatorErrorCases
{
    enum class Kind { SignalNotReceived, WaitTimedOut };
    struct Payload
    {
        QString signalName;
        double timeoutSeconds = 0;
        bool operator==(const Payload &) const = default;
    };
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::SignalNotReceived, u"Signal '%1' was not received"},
        {Kind::WaitTimedOut, u"Timed out waiting for signal '%1' after %2 seconds"},
    });
    static QStringList arguments(const Payload &payload);
};

class TestCoordinatorError final : public KindError<TestCoordinatorErrorCases>
{
public:
    static TestCoordinatorError signalNotReceived(const QString &name) { return {Kind::SignalNotReceived, {name, 0}}; }
    static TestCoordinatorError waitTimedOut(const QString &name, double timeoutSeconds)
    {
        return {Kind::WaitTimedOut, {name, timeoutSeconds}};
    }

    const QString &signalName() const { return payload().signalName; }
    double timeoutSeconds() const { return payload().timeoutSeconds; }

    using KindError::description;

private:
    using KindError::KindError;
};

} // namespace verandel
