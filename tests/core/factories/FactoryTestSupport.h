#pragma once

#include "foundation/RuntimeEnvironmentLoader.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace verandel::test {

// The runtime environment a process with exactly these variables would load.
inline RuntimeEnvironment loadRuntime(const QHash<QString, QString> &variables)
{
    static RecordingLoggerFactory quiet(RecordingLoggerFactory::Keeping::Nothing);
    QProcessEnvironment process;
    for (auto it = variables.cbegin(); it != variables.cend(); ++it) {
        process.insert(it.key(), it.value());
    }
    auto resources = std::make_shared<ResourceBundle>(QCoreApplication::applicationDirPath(),
                                                      ResourceBundle::defaultBuildDirectory(),
                                                      quiet.createLogger(QStringLiteral("ModuleResourcesBundle")));
    RuntimeEnvironmentLoader loader(process, resources, [](const QString &, const QString &category, bool) {
        return quiet.createLogger(category);
    });
    return loader.load();
}

// A task started at once whose result is kept when it ends, while the test drives the event loop and
// virtual time.
template <typename T>
class StartedTask
{
public:
    explicit StartedTask(QCoro::Task<T> task)
        : m_state(std::make_shared<State>())
        , m_runner(run(std::move(task), m_state))
    { }

    bool isDone() const { return m_state->result.has_value(); }
    const T &result() const { return *m_state->result; }

private:
    struct State
    {
        std::optional<T> result;
    };

    static QCoro::Task<> run(QCoro::Task<T> task, std::shared_ptr<State> state)
    {
        state->result.emplace(co_await std::move(task));
    }

    std::shared_ptr<State> m_state;
    QCoro::Task<> m_runner;
};

// The user's data and configuration directories moved into a temporary directory, as the program
// finds them through $XDG_DATA_HOME and $XDG_CONFIG_HOME; the working directory moves there too.
// Everything is put back when the sandbox goes.
class XdgSandbox
{
public:
    XdgSandbox()
        : m_previousData(qgetenv("XDG_DATA_HOME"))
        , m_previousConfig(qgetenv("XDG_CONFIG_HOME"))
        , m_previousWorkingDirectory(QDir::currentPath())
    {
        EXPECT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("data"));
        QDir(m_root.path()).mkpath(QStringLiteral("config"));
        QDir(m_root.path()).mkpath(QStringLiteral("work"));
        qputenv("XDG_DATA_HOME", dataHome().toUtf8());
        qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
        QStandardPaths::setTestModeEnabled(false);
        QDir::setCurrent(workingDirectory());
    }
    ~XdgSandbox()
    {
        QDir::setCurrent(m_previousWorkingDirectory);
        QStandardPaths::setTestModeEnabled(true);
        restore("XDG_DATA_HOME", m_previousData);
        restore("XDG_CONFIG_HOME", m_previousConfig);
    }
    XdgSandbox(const XdgSandbox &) = delete;
    XdgSandbox &operator=(const XdgSandbox &) = delete;

    QString root() const { return m_root.path(); }
    QString dataHome() const { return m_root.filePath(QStringLiteral("data")); }
    QString configHome() const { return m_root.filePath(QStringLiteral("config")); }
    QString workingDirectory() const { return m_root.filePath(QStringLiteral("work")); }
    // The program's storage directory under the data home.
    QString storageBase() const { return dataHome() + QStringLiteral("/com.verandel.Verandel"); }

private:
    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }

    QTemporaryDir m_root;
    QByteArray m_previousData;
    QByteArray m_previousConfig;
    QString m_previousWorkingDirectory;
};

} // namespace verandel::test
