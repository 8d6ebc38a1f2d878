#include "avahi/AvahiServiceBrowser.h"

#include "avahi/AvahiDBus.h"
#include "foundation/LogText.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QPointer>

namespace verandel {

namespace {

// ItemNew / ItemRemove: (i interface, i protocol, s name, s type, s domain, u flags).
AvahiServiceKey keyOf(const QVariantList &arguments)
{
    return AvahiServiceKey{arguments.value(0).toInt(), arguments.value(1).toInt(), arguments.value(2).toString(),
                           arguments.value(3).toString(), arguments.value(4).toString()};
}

QByteArrayList txtOf(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>()) {
        return qdbus_cast<QByteArrayList>(value.value<QDBusArgument>());
    }
    return value.value<QByteArrayList>();
}

} // namespace

AvahiServiceBrowser::AvahiServiceBrowser(QDBusConnection bus, QString serviceType, QString domain,
                                         LoggerFactory &loggerFactory, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_serviceType(std::move(serviceType))
    , m_domain(std::move(domain))
    , m_logger(loggerFactory.createLogger(QStringLiteral("AvahiServiceBrowser")))
{
    avahi::registerTypes();
    qRegisterMetaType<AvahiResolvedService>();
    qRegisterMetaType<AvahiServiceKey>();
    m_watcher = new QDBusServiceWatcher(avahi::kService, m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        if (m_active) {
            fail(QStringLiteral("avahi-daemon stopped"));
        }
    });
    // Empty paths match every browser and resolver; ours are picked by path. Connected before any
    // object exists, so nothing emitted after Start can be missed.
    const auto listen = [this](const QString &interface, const char *signal, const char *slot) {
        m_bus.connect(avahi::kService, QString(), interface, QString::fromLatin1(signal), this, slot);
    };
    listen(avahi::kServiceBrowserInterface, "ItemNew", SLOT(onItemNew(QDBusMessage)));
    listen(avahi::kServiceBrowserInterface, "ItemRemove", SLOT(onItemRemove(QDBusMessage)));
    listen(avahi::kServiceBrowserInterface, "Failure", SLOT(onBrowserFailure(QDBusMessage)));
    listen(avahi::kServiceBrowserInterface, "AllForNow", SLOT(onAllForNow(QDBusMessage)));
    listen(avahi::kServiceResolverInterface, "Found", SLOT(onFound(QDBusMessage)));
    listen(avahi::kServiceResolverInterface, "Failure", SLOT(onResolverFailure(QDBusMessage)));
}

AvahiServiceBrowser::~AvahiServiceBrowser()
{
    clear();
}

void AvahiServiceBrowser::start()
{
    if (m_active) {
        return;
    }
    m_active = true;
    startBrowser();
}

void AvahiServiceBrowser::stop()
{
    m_active = false;
    clear();
}

void AvahiServiceBrowser::clear()
{
    ++m_generation;
    for (auto it = m_instances.cbegin(); it != m_instances.cend(); ++it) {
        avahi::sendFree(m_bus, it.value(), avahi::kServiceResolverInterface);
    }
    avahi::sendFree(m_bus, m_browserPath, avahi::kServiceBrowserInterface);
    m_browserPath.clear();
    m_instances.clear();
    m_resolverKeys.clear();
    m_resolved.clear();
}

void AvahiServiceBrowser::fail(const QString &error)
{
    m_logger->error(QStringLiteral("Browsing for %1 failed: %2").arg(m_serviceType, error));
    m_active = false;
    clear();
    Q_EMIT failed(error);
}

QCoro::Task<> AvahiServiceBrowser::startBrowser()
{
    QPointer<AvahiServiceBrowser> self(this);
    const QDBusConnection bus = m_bus;
    const quint64 generation = m_generation;
    const QVariantList arguments{avahi::kInterfaceUnspecified, avahi::kProtocolUnspecified, m_serviceType, m_domain,
                                 0u};
    const QDBusMessage prepared = co_await avahi::call(m_bus, avahi::kServerPath, avahi::kServer2Interface,
                                                       QStringLiteral("ServiceBrowserPrepare"), arguments);
    const QString path = prepared.arguments().value(0).value<QDBusObjectPath>().path();
    if (!self || generation != m_generation) {
        // Stopped or released meanwhile: nobody else knows of this browser.
        avahi::sendFree(bus, path, avahi::kServiceBrowserInterface);
        co_return;
    }
    if (avahi::isError(prepared) || path.isEmpty()) {
        fail(avahi::errorText(prepared));
        co_return;
    }
    m_browserPath = path;
    const QDBusMessage startedReply
        = co_await avahi::call(m_bus, path, avahi::kServiceBrowserInterface, QStringLiteral("Start"));
    if (!self || generation != m_generation) {
        co_return;
    }
    if (avahi::isError(startedReply)) {
        fail(avahi::errorText(startedReply));
        co_return;
    }
    Q_EMIT started();
}

QCoro::Task<> AvahiServiceBrowser::startResolver(AvahiServiceKey key)
{
    QPointer<AvahiServiceBrowser> self(this);
    const QDBusConnection bus = m_bus;
    const quint64 generation = m_generation;
    const QVariantList arguments{
        key.interfaceIndex, key.protocol, key.name, key.type, key.domain, avahi::kProtocolUnspecified, 0u};
    const QDBusMessage prepared = co_await avahi::call(m_bus, avahi::kServerPath, avahi::kServer2Interface,
                                                       QStringLiteral("ServiceResolverPrepare"), arguments);
    const QString path = prepared.arguments().value(0).value<QDBusObjectPath>().path();
    // Stopped or released, the instance went away, or it went away and came back and a later
    // resolver already serves it.
    if (!self || generation != m_generation || !m_instances.contains(key) || !m_instances.value(key).isEmpty()) {
        avahi::sendFree(bus, path, avahi::kServiceResolverInterface);
        co_return;
    }
    if (avahi::isError(prepared) || path.isEmpty()) {
        m_logger->warning(QStringLiteral("Cannot resolve \"%1\": %2")
                              .arg(escapeControlCharacters(key.name), avahi::errorText(prepared)));
        co_return;
    }
    m_instances[key] = path;
    m_resolverKeys.insert(path, key);
    const QDBusMessage startedReply
        = co_await avahi::call(m_bus, path, avahi::kServiceResolverInterface, QStringLiteral("Start"));
    if (self && avahi::isError(startedReply) && m_resolverKeys.contains(path)) {
        m_logger->warning(QStringLiteral("Cannot resolve \"%1\": %2")
                              .arg(escapeControlCharacters(key.name), avahi::errorText(startedReply)));
    }
}

void AvahiServiceBrowser::onItemNew(const QDBusMessage &message)
{
    if (m_browserPath.isEmpty() || message.path() != m_browserPath) {
        return;
    }
    const AvahiServiceKey key = keyOf(message.arguments());
    if (m_instances.contains(key)) {
        return;
    }
    m_instances.insert(key, QString());
    startResolver(key);
}

void AvahiServiceBrowser::onItemRemove(const QDBusMessage &message)
{
    if (m_browserPath.isEmpty() || message.path() != m_browserPath) {
        return;
    }
    const AvahiServiceKey key = keyOf(message.arguments());
    const auto it = m_instances.constFind(key);
    if (it == m_instances.cend()) {
        return;
    }
    const QString resolverPath = it.value();
    m_instances.erase(it);
    m_resolverKeys.remove(resolverPath);
    avahi::sendFree(m_bus, resolverPath, avahi::kServiceResolverInterface);
    if (m_resolved.erase(key) > 0) {
        Q_EMIT lost(key);
    }
}

void AvahiServiceBrowser::onBrowserFailure(const QDBusMessage &message)
{
    if (m_browserPath.isEmpty() || message.path() != m_browserPath) {
        return;
    }
    fail(message.arguments().value(0).toString());
}

void AvahiServiceBrowser::onAllForNow(const QDBusMessage &message)
{
    if (!m_browserPath.isEmpty() && message.path() == m_browserPath) {
        Q_EMIT allForNow();
    }
}

// Found: (i interface, i protocol, s name, s type, s domain, s host, i aprotocol, s address, q port, aay txt, u flags).
void AvahiServiceBrowser::onFound(const QDBusMessage &message)
{
    const auto it = m_resolverKeys.constFind(message.path());
    if (it == m_resolverKeys.cend()) {
        return;
    }
    const QVariantList arguments = message.arguments();
    AvahiResolvedService service;
    service.key = it.value();
    service.host = arguments.value(5).toString();
    service.addressProtocol = arguments.value(6).toInt();
    service.address = arguments.value(7).toString();
    service.port = static_cast<quint16>(arguments.value(8).toUInt());
    service.txt = txtOf(arguments.value(9));
    m_resolved.insert(service.key);
    Q_EMIT resolved(service);
}

void AvahiServiceBrowser::onResolverFailure(const QDBusMessage &message)
{
    const auto it = m_resolverKeys.constFind(message.path());
    if (it == m_resolverKeys.cend()) {
        return;
    }
    const AvahiServiceKey key = it.value();
    // The resolver stays alive: a later Found brings the instance back.
    m_logger->info(
        QStringLiteral("Lost resolution of \"%1\": %2")
            .arg(escapeControlCharacters(key.name), escapeControlCharacters(message.arguments().value(0).toString())));
    if (m_resolved.erase(key) > 0) {
        Q_EMIT lost(key);
    }
}

} // namespace verandel
