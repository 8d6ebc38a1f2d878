#pragma once

#include "peer/dnssd/BrowserProtocol.h"

namespace verandel::test {

// A browser a test drives by hand: it records start() and cancel() and calls the handlers the
// code under test installed only when the test says so.
class MockBrowserProtocol final : public BrowserProtocol
{
public:
    StateUpdateHandler stateUpdateHandler() const override { return m_stateUpdateHandler; }
    void setStateUpdateHandler(StateUpdateHandler handler) override { m_stateUpdateHandler = std::move(handler); }
    BrowseResultsChangedHandler browseResultsChangedHandler() const override { return m_resultsHandler; }
    void setBrowseResultsChangedHandler(BrowseResultsChangedHandler handler) override
    {
        m_resultsHandler = std::move(handler);
    }

    void start() override { ++m_startCalls; }
    void cancel() override { ++m_cancelCalls; }

    int startCalls() const { return m_startCalls; }
    int cancelCalls() const { return m_cancelCalls; }
    void clearCalls();

    void simulateStateUpdate(const BrowserState &state);
    // A failed state with the description (the system's text for ECONNREFUSED when none is given).
    void simulateStateUpdateWithError(const QString &description = {});
    void simulateBrowseResultsChanged(const QList<BrowserResult> &results, const QList<BrowserResultChange> &changes);
    // A browse update with no results and no changes.
    void simulateServiceDiscovery();

private:
    StateUpdateHandler m_stateUpdateHandler;
    BrowseResultsChangedHandler m_resultsHandler;
    int m_startCalls = 0;
    int m_cancelCalls = 0;
};

} // namespace verandel::test
