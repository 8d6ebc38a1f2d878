#include "foundation/RuntimeEnvironmentLoader.h"

#include "foundation/DefaultLogger.h"
#include "foundation/LogSubsystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

namespace verandel {

namespace {

const QString logLevelPrefix = QStringLiteral("LOG_LEVEL_");

bool isNewline(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QStringView trimBlanks(QStringView text)
{
    const auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (!text.isEmpty() && isBlank(text.front())) {
        text = text.mid(1);
    }
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text;
}

bool isTrue(const std::optional<QString> &value)
{
    return value && value->toLower() == QLatin1String("true");
}

bool isSet(const std::optional<QString> &value)
{
    return value && !value->isEmpty();
}

std::optional<QString> readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    // A byte-order mark picks UTF-16/32; everything else is read as UTF-8 (the mark is dropped).
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    return QString(decoder(bytes));
}

} // namespace

RuntimeEnvironmentLoader::RuntimeEnvironmentLoader(QProcessEnvironment processEnvironment,
                                                   std::shared_ptr<ResourceBundle> resources,
                                                   LoggerMaker makeSystemLogger)
    : m_processEnvironment(std::move(processEnvironment))
    , m_resources(std::move(resources))
    , m_makeSystemLogger(std::move(makeSystemLogger))
{
    if (!m_makeSystemLogger) {
        m_makeSystemLogger = [](const QString &subsystem, const QString &category, bool enableStdout) {
            return std::make_shared<DefaultLogger>(subsystem, category, enableStdout, std::nullopt);
        };
    }
}

QHash<QString, QString> RuntimeEnvironmentLoader::parseEnvironmentFile(const QString &text)
{
    QHash<QString, QString> values;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isNewline(text.at(i))) {
            continue;
        }
        const QStringView line = trimBlanks(QStringView(text).mid(start, i - start));
        start = i + 1;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            continue;
        }
        values.insert(trimBlanks(line.left(equals)).toString(), trimBlanks(line.mid(equals + 1)).toString());
    }
    return values;
}

const RuntimeEnvironmentLoader::Environment &RuntimeEnvironmentLoader::loadEnvironment()
{
    if (m_environment) {
        return *m_environment;
    }
    std::optional<QString> path;
    const QString fromProcess = m_processEnvironment.value(QStringLiteral("RUNTIME_ENV_FILE"));
    if (!fromProcess.isEmpty()) {
        path = QFileInfo(fromProcess).absoluteFilePath();
    } else {
        path = m_resources->url(QStringLiteral("runtime-env"));
    }
    Environment environment;
    // An unreadable file counts as no file; there is deliberately no fallback to the resource.
    if (const std::optional<QString> text = path ? readText(*path) : std::nullopt) {
        environment.values = parseEnvironmentFile(*text);
        environment.isLoadedFromFile = true;
        environment.sourcePath = path;
    }
    m_environment = std::move(environment);
    return *m_environment;
}

std::optional<QString> RuntimeEnvironmentLoader::get(const Environment &environment, const QString &key) const
{
    // A process variable wins even when empty, so an empty export hides the file's value.
    if (m_processEnvironment.contains(key)) {
        return m_processEnvironment.value(key);
    }
    if (const auto it = environment.values.constFind(key); it != environment.values.constEnd()) {
        return it.value();
    }
    return std::nullopt;
}

QStringList RuntimeEnvironmentLoader::allKeys(const Environment &environment) const
{
    QSet<QString> keys(environment.values.keyBegin(), environment.values.keyEnd());
    for (const QString &key : m_processEnvironment.keys()) {
        keys.insert(key);
    }
    return keys.values();
}

std::optional<QUrl> RuntimeEnvironmentLoader::parseHTTPURL(const std::optional<QString> &text)
{
    if (!isSet(text)) {
        return std::nullopt;
    }
    const QUrl url(*text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        return std::nullopt;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        return std::nullopt;
    }
    return url;
}

LoggerPtr RuntimeEnvironmentLoader::makeLogger(const QString &subsystem, const QString &category)
{
    const Environment &environment = loadEnvironment();
    return m_makeSystemLogger(subsystem, category, isTrue(get(environment, QStringLiteral("ENABLE_LOG_STDOUT"))));
}

RuntimeEnvironment RuntimeEnvironmentLoader::load(const std::optional<QHash<QString, QString>> &custom)
{
    Environment environment = loadEnvironment();
    if (custom) {
        environment.values.insert(*custom);
    }
    return loadFrom(environment);
}

RuntimeEnvironment RuntimeEnvironmentLoader::loadFrom(const Environment &environment)
{
    const QString workingDirectory = QDir::currentPath();
    const auto value = [&](const char *key) { return get(environment, QString::fromLatin1(key)); };

    RuntimeEnvironment result;
    result.m_debugModeEnabled = isTrue(value("DEBUG_MODE"));
    result.m_debugProfileName = value("DEBUG_PROFILE");
    result.m_discoveryType = value("DISCOVERY_TYPE").value_or(QString()).toLower() == QLatin1String("debug")
        ? DiscoveryType::Debug
        : DiscoveryType::Bonjour;
    result.m_bluetoothMode = value("BLUETOOTH_MODE").value_or(QString()).toLower() == QLatin1String("mock")
        ? BluetoothMode::Mock
        : BluetoothMode::Real;

    const LoggerPtr logger = makeLogger(logSubsystem, QStringLiteral("RuntimeEnvironment"));
    if (!environment.isLoadedFromFile) {
        logger->info(QStringLiteral("Default runtime environment loaded, current working directory: ")
                     + workingDirectory);
    } else {
        logger->info(QStringLiteral("Runtime environment loaded from file: ")
                     + environment.sourcePath.value_or(QString()) + QStringLiteral(", current working directory: ")
                     + workingDirectory);
    }

    QString debugDirectory = QStringLiteral("tmp/");
    if (isSet(result.m_debugProfileName)) {
        logger->info(QStringLiteral("Using debug profile: ") + *result.m_debugProfileName);
        debugDirectory += *result.m_debugProfileName + QLatin1Char('/');
    }

    const auto debugFilePath = [&](const char *key, const QString &defaultName, const QString &fromEnvironmentMessage,
                                   const QString &defaultMessage) {
        if (const std::optional<QString> path = value(key); isSet(path)) {
            logger->info(fromEnvironmentMessage + *path);
            return *path;
        }
        const QString path = debugDirectory + defaultName;
        logger->info(defaultMessage + path);
        return path;
    };
    result.m_debugContextFilePath = debugFilePath("DEBUG_CONTEXT_FILE_PATH", QStringLiteral("debug-context.json"),
                                                  QStringLiteral("Using debug context file path from environment: "),
                                                  QStringLiteral("Using default debug context file path: "));
    result.m_debugFrameSenderDataFilePath
        = debugFilePath("DEBUG_FRAME_SENDER_DATA_FILE_PATH", QStringLiteral("debug-frame-sender.json"),
                        QStringLiteral("Using debug frame sender data file path from environment: "),
                        QStringLiteral("Using default debug frame sender data file path: "));
    result.m_debugFrameSenderConfigFilePath
        = debugFilePath("DEBUG_FRAME_SENDER_CONFIG_FILE_PATH", QStringLiteral("debug-frame-sender.config.json"),
                        QStringLiteral("Using debug frame sender config file path from environment: "),
                        QStringLiteral("Using default debug frame sender config file path: "));

    if (result.m_debugModeEnabled) {
        const QString storagePath = debugDirectory + QStringLiteral("app-storage/");
        result.m_storageBaseUrl = QDir(workingDirectory).filePath(storagePath);
        logger->info(QStringLiteral("Using debug storage base URL: ") + storagePath);
    }

    result.m_enableLogStdout = isTrue(value("ENABLE_LOG_STDOUT"));
    if (const std::optional<QString> level = value("LOG_LEVEL"); isSet(level)) {
        result.m_defaultLogLevel = logLevelFromString(level->toLower());
    }
    for (const QString &key : allKeys(environment)) {
        if (!key.startsWith(logLevelPrefix)) {
            continue;
        }
        const QString category = key.mid(logLevelPrefix.size());
        const std::optional<QString> level = get(environment, key);
        if (category.isEmpty() || !isSet(level)) {
            continue;
        }
        if (const std::optional<LogLevel> parsed = logLevelFromString(level->toLower())) {
            result.m_categoryLogLevelOverrides.insert(category, *parsed);
        }
    }

    // The update feed comes from the file (or custom pairs) only, never from the process.
    if (const QString feed = environment.values.value(QStringLiteral("SPARKLE_FEED_URL")); parseHTTPURL(feed)) {
        result.m_sparkleFeedURL = feed;
    }
    if (const std::optional<QUrl> metrics = parseHTTPURL(value("METRICS_CDN_BASE_URL"))) {
        result.m_metricsBeaconBaseURL = *metrics;
    } else {
        result.m_metricsBeaconBaseURL = result.m_debugModeEnabled
            ? RuntimeEnvironment::defaultDebugMetricsBeaconBaseURL()
            : RuntimeEnvironment::defaultMetricsBeaconBaseURL();
    }
    return result;
}

} // namespace verandel
