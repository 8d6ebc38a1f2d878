#include "support/fakes/MockBrowserProtocol.h"

namespace verandel::test {

void MockBrowserProtocol::clearCalls()
{
    m_startCalls = 0;
    m_cancelCalls = 0;
}

void MockBrowserProtocol::simulateStateUpdate(const BrowserState &state)
{
    if (m_stateUpdateHandler) {
        m_stateUpdateHandler(state);
    }
}

void MockBrowserProtocol::simulateStateUpdateWithError(const QString &description)
{
    simulateStateUpdate(
        BrowserState::failed(description.isEmpty() ? QStringLiteral("Connection refused") : description));
}

void MockBrowserProtocol::simulateBrowseResultsChanged(const QList<BrowserResult> &results,
                                                       const QList<BrowserResultChange> &changes)
{
    if (m_resultsHandler) {
        m_resultsHandler(results, changes);
    }
}

} // namespace verandel::test
