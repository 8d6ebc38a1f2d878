#include "linking/ConnectionRequestState.h"

namespace verandel {

QString displayName(ConnectionRequestState state)
{
    switch (state) {
    case ConnectionRequestState::None: return QStringLiteral("No Request");
    case ConnectionRequestState::Connected: return QStringLiteral("Connected");
    case ConnectionRequestState::Pending: return QStringLiteral("Pending");
    case ConnectionRequestState::Rejected: return QStringLiteral("Rejected");
    }
    return {};
}

bool isCompleted(ConnectionRequestState state)
{
    return state == ConnectionRequestState::Connected || state == ConnectionRequestState::Rejected;
}

bool isValidTransition(ConnectionRequestState from, ConnectionRequestState to)
{
    if (from == to) {
        return true;
    }
    switch (from) {
    case ConnectionRequestState::None: return to == ConnectionRequestState::Pending;
    case ConnectionRequestState::Pending:
        return to == ConnectionRequestState::Connected || to == ConnectionRequestState::Rejected;
    case ConnectionRequestState::Connected:
    case ConnectionRequestState::Rejected: return false;
    }
    return false;
}

} // namespace verandel
