#include "mock/TestCoordinatorError.h"

#include "foundation/LogText.h"

namespace verandel {

TestCoordinatorError::TestCoordinatorError(Kind kind, QString name, double timeout)
    : m_kind(kind)
    , m_name(std::move(name))
    , m_timeout(timeout)
{
    m_what = description().toUtf8();
}

QString TestCoordinatorError::description() const
{
    switch (m_kind) {
    case Kind::SignalNotReceived: return QStringLiteral("Signal '%1' was not received").arg(m_name);
    case Kind::WaitTimedOut:
        return QStringLiteral("Timed out waiting for signal '%1' after %2 seconds")
            .arg(m_name, formatDouble(m_timeout));
    }
    return {};
}

} // namespace verandel
