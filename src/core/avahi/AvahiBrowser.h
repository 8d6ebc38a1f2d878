#pragma once

#include "avahi/AvahiBrowseAggregator.h"
#include "avahi/AvahiServiceBrowser.h"
#include "peer/dnssd/BrowserProtocol.h"

#include <memory>

namespace verandel {

// BrowserProtocol on Avahi: reports one result per service instance (name, type, domain), its
// endpoint carrying every address it resolved to on any interface and protocol, and one change
// per report of the daemon.
class AvahiBrowser final : public BrowserProtocol
{
public:
    AvahiBrowser(QDBusConnection bus, QString serviceType, QString domain, LoggerFactory &loggerFactory);
    ~AvahiBrowser() override;

    StateUpdateHandler stateUpdateHandler() const override { return m_stateUpdateHandler; }
    void setStateUpdateHandler(StateUpdateHandler handler) override { m_stateUpdateHandler = std::move(handler); }
    BrowseResultsChangedHandler browseResultsChangedHandler() const override { return m_resultsHandler; }
    void setBrowseResultsChangedHandler(BrowseResultsChangedHandler handler) override
    {
        m_resultsHandler = std::move(handler);
    }

    void start() override;
    void cancel() override;

    // The result for one aggregated instance.
    static BrowserResult toResult(const AvahiServiceInstance &instance);
    // What the browser reports after the aggregator folded in one report of the daemon: every
    // instance's result and the one change.
    static std::pair<QList<BrowserResult>, BrowserResultChange> browseUpdate(const AvahiBrowseAggregator &aggregator,
                                                                             const AvahiInstanceChange &change);

private:
    void report(const AvahiInstanceChange &change);
    void reportState(const BrowserState &state);

    std::unique_ptr<AvahiServiceBrowser> m_browser;
    AvahiBrowseAggregator m_aggregator;
    StateUpdateHandler m_stateUpdateHandler;
    BrowseResultsChangedHandler m_resultsHandler;
};

} // namespace verandel
