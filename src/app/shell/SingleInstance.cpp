#include "shell/SingleInstance.h"

#include "foundation/LogText.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace verandel {

namespace {

// A bus name is at most 255 characters.
constexpr qsizetype maxProfileHexLength = 200;
// What a refused call's text shows of its arguments.
constexpr qsizetype loggedArgumentLength = 64;

QString forLog(const QString &text)
{
    return escapeControlCharacters(QStringView(text).left(loggedArgumentLength));
}

} // namespace

// The exported object: Reopen is its only scriptable slot, so it is the only method on the bus.
class SingleInstanceAdaptor final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.verandel.Verandel")

public:
    explicit SingleInstanceAdaptor(SingleInstance *owner)
        : QObject(owner)
        , m_owner(owner)
    { }

public Q_SLOTS:
    Q_SCRIPTABLE void Reopen(const QString &screen, const QString &activationToken)
    {
        if (const std::optional<QString> refusal = m_owner->accept(screen, activationToken)) {
            sendErrorReply(QDBusError::InvalidArgs, *refusal);
        }
    }

private:
    SingleInstance *m_owner;
};

QString SingleInstance::serviceName(bool debugMode, const std::optional<QString> &debugProfileName)
{
    if (!debugMode) {
        return baseServiceName;
    }
    const QByteArray profile = debugProfileName.value_or(QString()).toUtf8();
    const QByteArray hex = profile.toHex();
    if (hex.size() <= maxProfileHexLength) {
        return baseServiceName + QStringLiteral(".p_") + QString::fromLatin1(hex);
    }
    return baseServiceName + QStringLiteral(".h_")
        + QString::fromLatin1(QCryptographicHash::hash(profile, QCryptographicHash::Sha256).toHex());
}

bool SingleInstance::isAcceptableToken(const QString &activationToken)
{
    if (activationToken.size() > maxActivationTokenLength) {
        return false;
    }
    return std::all_of(activationToken.cbegin(), activationToken.cend(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

QString SingleInstance::handOverLine(const std::optional<QString> &debugProfileName, bool answered)
{
    const QString who = debugProfileName && !debugProfileName->isEmpty()
        ? QStringLiteral("Verandel (profile %1)").arg(escapeControlCharacters(*debugProfileName))
        : QStringLiteral("Verandel");
    return answered ? who + QStringLiteral(" is already running; it was asked to show its window.")
                    : who + QStringLiteral(" is already running but did not answer; try again, or stop it first.");
}

SingleInstance::SingleInstance(QDBusConnection bus, QString serviceName, ScreenValidator isKnownScreen,
                               LoggerPtr logger, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_serviceName(std::move(serviceName))
    , m_isKnownScreen(std::move(isKnownScreen))
    , m_logger(std::move(logger))
    , m_adaptor(new SingleInstanceAdaptor(this))
{ }

SingleInstance::~SingleInstance()
{
    if (m_ownsName) {
        m_bus.unregisterService(m_serviceName);
    }
    if (m_exported) {
        m_bus.unregisterObject(objectPath);
    }
}

SingleInstance::Claim SingleInstance::claim(std::optional<qint64> endedOwnerPid)
{
    if (!m_bus.isConnected()) {
        m_logger->warning(QStringLiteral("No session bus, so a second launch cannot find this one: ")
                          + m_bus.lastError().message());
        return Claim::NoBus;
    }
    m_exported = m_bus.registerObject(objectPath, m_adaptor, QDBusConnection::ExportScriptableSlots);
    if (!m_exported) {
        m_logger->error(QStringLiteral("Could not export the single-instance object"));
        return Claim::NoBus;
    }
    // A second launch asks without queueing, to learn at once that the name is taken; a relaunch queues
    // behind the owner that has ended.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = m_bus.interface()->registerService(
        m_serviceName,
        endedOwnerPid ? QDBusConnectionInterface::QueueService : QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        m_logger->warning(QStringLiteral("Could not ask for the session-bus name ") + m_serviceName
                          + QStringLiteral(": ") + reply.error().message());
        return Claim::NoBus;
    }
    m_ownsName = reply.value() == QDBusConnectionInterface::ServiceRegistered
        || (reply.value() == QDBusConnectionInterface::ServiceQueued && waitForHandover(*endedOwnerPid));
    if (!m_ownsName) {
        m_bus.unregisterObject(objectPath);
        m_exported = false;
        return Claim::Secondary;
    }
    m_logger->info(QStringLiteral("Owning the session-bus name ") + m_serviceName);
    const QStringList names = m_bus.interface()->registeredServiceNames().value();
    m_otherInstances = static_cast<int>(std::count_if(names.cbegin(), names.cend(), [this](const QString &name) {
        return name != m_serviceName
            && (name == baseServiceName || name.startsWith(baseServiceName + QLatin1Char('.')));
    }));
    return Claim::Primary;
}

bool SingleInstance::waitForHandover(qint64 endedOwnerPid)
{
    QDBusConnectionInterface *bus = m_bus.interface();
    const auto owned = [this, bus] {
        const QDBusReply<QString> owner = bus->serviceOwner(m_serviceName);
        return owner.isValid() && owner.value() == m_bus.baseService();
    };
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(bus, &QDBusConnectionInterface::serviceRegistered, &loop, [this, &loop](const QString &name) {
        if (name == m_serviceName) {
            loop.quit();
        }
    });
    limit.start(handoverLimit);
    const QDBusReply<uint> holder = bus->servicePid(m_serviceName);
    // Anyone but the ended process holds the name: another instance runs, and keeps it.
    if (!owned() && holder.isValid() && holder.value() == endedOwnerPid) {
        m_logger->info(QStringLiteral("Waiting for the session bus to release the name of the ended process %1")
                           .arg(endedOwnerPid));
        loop.exec();
    }
    if (owned()) {
        return true;
    }
    bus->unregisterService(m_serviceName); // out of the queue
    return false;
}

bool SingleInstance::callReopen(QDBusConnection bus, const QString &serviceName, const QString &screen,
                                const QString &activationToken, int timeoutMs)
{
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, reopenMethod);
    call << screen << activationToken;
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

std::optional<QString> SingleInstance::accept(const QString &screen, const QString &activationToken)
{
    if (!screen.isEmpty() && !(m_isKnownScreen && m_isKnownScreen(screen))) {
        m_logger->warning(QStringLiteral("Refused a reopen request for an unknown screen: ") + forLog(screen));
        return QStringLiteral("Unknown screen");
    }
    if (!isAcceptableToken(activationToken)) {
        m_logger->warning(QStringLiteral("Refused a reopen request with a malformed activation token"));
        return QStringLiteral("Malformed activation token");
    }
    m_logger->info(QStringLiteral("Reopen requested by a second launch")
                   + (screen.isEmpty() ? QString() : QStringLiteral(", screen: ") + screen));
    Q_EMIT reopenRequested(screen, activationToken);
    return std::nullopt;
}

} // namespace verandel

#include "SingleInstance.moc"
