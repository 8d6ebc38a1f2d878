#include "bluetooth/BluezConnectionSchedule.h"

#include "bluetooth/BluezTypes.h"

namespace verandel {

namespace {

const QString alreadyConnectedError = QStringLiteral("org.bluez.Error.AlreadyConnected");
constexpr int connectAttempts = 5;
constexpr int stabilityChecks = 3;
constexpr double settleSeconds = 2.0;
constexpr double retryPauseSeconds = 1.5;
constexpr double stabilityIntervalSeconds = 1.0;

} // namespace

BluezConnectionSchedule::BluezConnectionSchedule(std::shared_ptr<BluezClient> client, ClockPtr clock, LoggerPtr logger,
                                                 int connectCallTimeoutMs)
    : m_client(std::move(client))
    , m_clock(std::move(clock))
    , m_logger(std::move(logger))
    , m_connectCallTimeoutMs(connectCallTimeoutMs)
{ }

QCoro::Task<bool> BluezConnectionSchedule::isConnected(QString devicePath)
{
    const BluezReply<QVariant> reply
        = co_await m_client->getProperty(devicePath, Bluez::deviceInterface, QStringLiteral("Connected"));
    co_return reply.ok() && reply.value.toBool();
}

QCoro::Task<bool> BluezConnectionSchedule::connectWithRetries(QString address, QString devicePath)
{
    for (int attempt = 1; attempt <= connectAttempts; ++attempt) {
        m_logger->debug(QStringLiteral("Connection attempt %1/%2 for device: %3")
                            .arg(QString::number(attempt), QString::number(connectAttempts), address));
        const bool connectedAlready = co_await isConnected(devicePath);
        if (connectedAlready) {
            m_logger->debug(QStringLiteral("Device ") + address
                            + QStringLiteral(" is already connected, verifying stability..."));
            const bool stable = co_await verifyStableConnection(address, devicePath);
            if (stable) {
                co_return true;
            }
            m_logger->debug(QStringLiteral("Connection was unstable for device ") + address
                            + QStringLiteral(", continuing with retry attempts..."));
        }
        const QDBusError error = co_await m_client->connectDevice(devicePath, m_connectCallTimeoutMs);
        if (error.isValid() && error.name() != alreadyConnectedError) {
            m_logger->debug(QStringLiteral("Connection attempt %1 failed for device %2 with result: %3")
                                .arg(QString::number(attempt), address, error.name()));
        } else {
            co_await m_clock->sleep(settleSeconds);
            const bool connectedNow = co_await isConnected(devicePath);
            if (connectedNow) {
                m_logger->debug(QStringLiteral("Connection command succeeded for device ") + address
                                + QStringLiteral(", verifying stability..."));
                const bool stable = co_await verifyStableConnection(address, devicePath);
                if (stable) {
                    co_return true;
                }
                m_logger->debug(QStringLiteral("Connection was unstable for device ") + address
                                + QStringLiteral(", will retry..."));
            } else {
                m_logger->debug(QStringLiteral("Connection command succeeded but device ") + address
                                + QStringLiteral(" is not connected yet"));
            }
        }
        if (attempt < connectAttempts) {
            m_logger->debug(QStringLiteral("Waiting %1 seconds before retry for device %2...")
                                .arg(QString::number(retryPauseSeconds), address));
            co_await m_clock->sleep(retryPauseSeconds);
        }
    }
    m_logger->warning(QStringLiteral("Failed to connect to device %1 after %2 attempts")
                          .arg(address, QString::number(connectAttempts)));
    m_logger->info(QStringLiteral("Device ") + address
                   + QStringLiteral(" was successfully paired but connection failed. You may need to manually connect "
                                    "later."));
    co_return false;
}

QCoro::Task<bool> BluezConnectionSchedule::verifyStableConnection(QString address, QString devicePath)
{
    m_logger->debug(QStringLiteral("Performing %1 connection stability checks for device: %2")
                        .arg(QString::number(stabilityChecks), address));
    // An LE device is connected before its services are known, and unusable until then; so a device
    // that reports ServicesResolved must have them resolved by the last check.
    bool servicesResolved = false;
    for (int check = 1; check <= stabilityChecks; ++check) {
        m_logger->debug(QStringLiteral("Stability check %1/%2 for device: %3")
                            .arg(QString::number(check), QString::number(stabilityChecks), address));
        const BluezReply<QVariantMap> state = co_await m_client->getProperties(devicePath, Bluez::deviceInterface);
        if (!state.ok() || !state.value.value(QStringLiteral("Connected")).toBool()) {
            m_logger->warning(QStringLiteral("Connection lost during stability check %1 for device: %2")
                                  .arg(QString::number(check), address));
            co_return false;
        }
        const auto resolved = state.value.constFind(QStringLiteral("ServicesResolved"));
        servicesResolved = resolved == state.value.constEnd() || resolved->toBool();
        if (!servicesResolved) {
            m_logger->debug(QStringLiteral("Services of device %1 not resolved yet at stability check %2")
                                .arg(address, QString::number(check)));
        }
        if (check < stabilityChecks) {
            co_await m_clock->sleep(stabilityIntervalSeconds);
        }
    }
    if (!servicesResolved) {
        m_logger->warning(
            QStringLiteral("Services of device %1 were not resolved during the stability checks").arg(address));
        co_return false;
    }
    m_logger->info(QStringLiteral("Connection to device ") + address + QStringLiteral(" is stable"));
    co_return true;
}

} // namespace verandel
