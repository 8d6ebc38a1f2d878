#include "foundation/RuntimeEnvironment.h"

#include "foundation/DefaultLoggerFactory.h"
#include "foundation/LogSubsystem.h"

namespace verandel {

QUrl RuntimeEnvironment::defaultMetricsBeaconBaseURL()
{
    return QUrl(QStringLiteral("https://metrics.verandel.com"));
}

QUrl RuntimeEnvironment::defaultDebugMetricsBeaconBaseURL()
{
    return QUrl(QStringLiteral("https://metrics-staging.verandel.com"));
}

LoggerFactoryPtr RuntimeEnvironment::makeLoggerFactory() const
{
    return std::make_shared<DefaultLoggerFactory>(logSubsystem, m_enableLogStdout, m_categoryLogLevelOverrides,
                                                  m_defaultLogLevel);
}

} // namespace verandel
