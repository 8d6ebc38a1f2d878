#pragma once

#include "peer/dnssd/BrowserResult.h"
#include "peer/dnssd/BrowserResultChange.h"
#include "peer/dnssd/BrowserState.h"

#include <QList>

#include <functional>

namespace verandel {

// A DNS-SD browser for one service type. Both handlers run on the event loop of the thread that
// called start(); after cancel() neither is called again with results.
class BrowserProtocol
{
public:
    using StateUpdateHandler = std::function<void(const BrowserState &state)>;
    // Every current result, then what changed.
    using BrowseResultsChangedHandler
        = std::function<void(const QList<BrowserResult> &results, const QList<BrowserResultChange> &changes)>;

    virtual ~BrowserProtocol() = default;

    virtual StateUpdateHandler stateUpdateHandler() const = 0;
    virtual void setStateUpdateHandler(StateUpdateHandler handler) = 0;
    virtual BrowseResultsChangedHandler browseResultsChangedHandler() const = 0;
    virtual void setBrowseResultsChangedHandler(BrowseResultsChangedHandler handler) = 0;

    virtual void start() = 0;
    virtual void cancel() = 0;
};

} // namespace verandel
