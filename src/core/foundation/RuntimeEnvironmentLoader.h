#pragma once

#include "foundation/ResourceBundle.h"
#include "foundation/RuntimeEnvironment.h"

#include <QProcessEnvironment>

#include <functional>
#include <memory>

namespace verandel {

// Loads the RuntimeEnvironment. The environment file ("RUNTIME_ENV_FILE", else the "runtime-env"
// resource) is read at most once per loader and kept; the process environment wins over it for
// every key but SPARKLE_FEED_URL. The owner builds one loader for the process.
class RuntimeEnvironmentLoader
{
public:
    using LoggerMaker = std::function<LoggerPtr(const QString &subsystem, const QString &category, bool enableStdout)>;

    // `makeSystemLogger` defaults to DefaultLogger without a minimum level.
    RuntimeEnvironmentLoader(QProcessEnvironment processEnvironment, std::shared_ptr<ResourceBundle> resources,
                             LoggerMaker makeSystemLogger = {});

    // Custom pairs replace the file's values, but still lose to the process environment.
    RuntimeEnvironment load(const std::optional<QHash<QString, QString>> &custom = std::nullopt);

    // A system logger that echoes to stdout when ENABLE_LOG_STDOUT (process, else file) is "true".
    LoggerPtr makeLogger(const QString &subsystem, const QString &category);

    // KEY=value lines; blank lines, "#" comments and lines without "=" are skipped, the last
    // value of a key wins, quotes stay part of the value.
    static QHash<QString, QString> parseEnvironmentFile(const QString &text);

private:
    struct Environment
    {
        QHash<QString, QString> values;
        bool isLoadedFromFile = false;
        std::optional<QString> sourcePath;
    };

    const Environment &loadEnvironment();
    RuntimeEnvironment loadFrom(const Environment &environment);
    std::optional<QString> get(const Environment &environment, const QString &key) const;
    QStringList allKeys(const Environment &environment) const;

    static std::optional<QUrl> parseHTTPURL(const std::optional<QString> &text);

    QProcessEnvironment m_processEnvironment;
    std::shared_ptr<ResourceBundle> m_resources;
    LoggerMaker m_makeSystemLogger;
    std::optional<Environment> m_environment;
};

} // namespace verandel
