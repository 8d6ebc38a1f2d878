#include "avahi/AvahiBrowser.h"

#include "avahi/AvahiDBus.h"

#include <QHostAddress>

namespace verandel {

AvahiBrowser::AvahiBrowser(QDBusConnection bus, QString serviceType, QString domain, LoggerFactory &loggerFactory)
    : m_browser(std::make_unique<AvahiServiceBrowser>(std::move(bus), std::move(serviceType),
                                                      domain.isEmpty() ? QStringLiteral("local") : std::move(domain),
                                                      loggerFactory))
{
    QObject::connect(m_browser.get(), &AvahiServiceBrowser::started, m_browser.get(),
                     [this] { reportState(BrowserState::ready()); });
    QObject::connect(m_browser.get(), &AvahiServiceBrowser::failed, m_browser.get(),
                     [this](const QString &error) { reportState(BrowserState::failed(error)); });
    QObject::connect(m_browser.get(), &AvahiServiceBrowser::resolved, m_browser.get(),
                     [this](const AvahiResolvedService &service) { report(m_aggregator.resolved(service)); });
    QObject::connect(m_browser.get(), &AvahiServiceBrowser::lost, m_browser.get(), [this](const AvahiServiceKey &key) {
        if (const auto change = m_aggregator.lost(key)) {
            report(*change);
        }
    });
}

AvahiBrowser::~AvahiBrowser() = default;

void AvahiBrowser::start()
{
    reportState(BrowserState::setup());
    m_browser->start();
}

void AvahiBrowser::cancel()
{
    m_browser->stop();
    m_aggregator.clear();
    reportState(BrowserState::cancelled());
}

void AvahiBrowser::reportState(const BrowserState &state)
{
    // A copy: the handler may replace itself.
    if (const StateUpdateHandler handler = m_stateUpdateHandler) {
        handler(state);
    }
}

void AvahiBrowser::report(const AvahiInstanceChange &change)
{
    if (const BrowseResultsChangedHandler handler = m_resultsHandler) {
        const auto [results, resultChange] = browseUpdate(m_aggregator, change);
        handler(results, {resultChange});
    }
}

std::pair<QList<BrowserResult>, BrowserResultChange> AvahiBrowser::browseUpdate(const AvahiBrowseAggregator &aggregator,
                                                                                const AvahiInstanceChange &change)
{
    QList<BrowserResult> results;
    for (const AvahiServiceInstance &instance : aggregator.instances()) {
        results.append(toResult(instance));
    }
    BrowserResultChange resultChange = BrowserResultChange::identical();
    switch (change.kind) {
    case AvahiInstanceChange::Kind::Added: resultChange = BrowserResultChange::added(toResult(change.instance)); break;
    case AvahiInstanceChange::Kind::Changed:
        resultChange = BrowserResultChange::changed(toResult(change.instance));
        break;
    case AvahiInstanceChange::Kind::Removed:
        resultChange = BrowserResultChange::removed(toResult(change.instance));
        break;
    case AvahiInstanceChange::Kind::Identical: break;
    }
    return {results, resultChange};
}

BrowserResult AvahiBrowser::toResult(const AvahiServiceInstance &instance)
{
    QList<QHostAddress> addresses;
    QList<int> interfaces;
    for (const AvahiServiceAddress &address : instance.addresses) {
        QHostAddress host(address.address);
        if (host.isNull()) {
            continue;
        }
        // A link-local IPv6 address is only reachable through the interface it was seen on.
        if (host.protocol() == QAbstractSocket::IPv6Protocol && host.isLinkLocal()) {
            host.setScopeId(QString::number(address.interfaceIndex));
        }
        if (!addresses.contains(host)) {
            addresses.append(host);
        }
        if (!interfaces.contains(address.interfaceIndex)) {
            interfaces.append(address.interfaceIndex);
        }
    }
    const quint16 port = instance.addresses.isEmpty() ? 0 : instance.addresses.first().port;
    return BrowserResult{
        PeerEndpoint::serviceInstance(instance.name, instance.type, instance.domain).withResolution(addresses, port),
        interfaces, BrowserResultMetadata::bonjour(TxtRecord::fromStrings(instance.txt))};
}

} // namespace verandel
