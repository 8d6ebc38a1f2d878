#include "support/fakes/MockBrowserProtocol.h"

#include <cerrno>

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
    simulateStateUpdate(BrowserState::failed(description.isEmpty() ? qt_error_string(ECONNREFUSED) : description));
}

void MockBrowserProtocol::simulateBrowseResultsChanged(const QList<BrowserResult> &results,
                                                       const QList<BrowserResultChange> &changes)
{
    if (m_resultsHandler) {
        m_resultsHandler(results, changes);
    }
}

void MockBrowserProtocol::simulateServiceDiscovery()
{
    simulateBrowseResultsChanged({}, {});
}

} // namespace verandel::test
