#include "foundation/DefaultLogger.h"
#include "foundation/RuntimeEnvironmentLoader.h"
#include "support/QtPrinters.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

using Pairs = QHash<QString, QString>;

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

class RuntimeEnvironmentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        writeFile(bundledFile(), "# nothing set\n");
    }

    QString bundledFile() const { return m_dir.filePath(QStringLiteral("share/verandel/runtime-env")); }

    // Makes the given text the environment file named by RUNTIME_ENV_FILE.
    void useFile(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("env"));
        writeFile(path, content);
        m_process.insert(QStringLiteral("RUNTIME_ENV_FILE"), path);
    }

    void setProcess(const Pairs &pairs)
    {
        for (auto it = pairs.begin(); it != pairs.end(); ++it) {
            m_process.insert(it.key(), it.value());
        }
    }

    RuntimeEnvironmentLoader makeLoader()
    {
        auto bundle = std::make_shared<ResourceBundle>(m_dir.filePath(QStringLiteral("bin")),
                                                       m_dir.filePath(QStringLiteral("build")),
                                                       m_logs.createLogger(QStringLiteral("ModuleResourcesBundle")));
        return RuntimeEnvironmentLoader(m_process, bundle,
                                        [this](const QString &subsystem, const QString &category, bool echo) {
                                            EXPECT_EQ(subsystem, QStringLiteral("com.verandel.Verandel"));
                                            m_echoes.append(echo);
                                            return m_logs.createLogger(category);
                                        });
    }

    RuntimeEnvironment load(const std::optional<Pairs> &custom = std::nullopt) { return makeLoader().load(custom); }

    static QString fromFileLine(const QString &path)
    {
        return QStringLiteral("Runtime environment loaded from file: ") + path
            + QStringLiteral(", current working directory: ") + QDir::currentPath();
    }

    QStringList lines() const { return m_logs.messages(LogLevel::Info, QStringLiteral("RuntimeEnvironment")); }

    QTemporaryDir m_dir;
    QProcessEnvironment m_process;
    test::RecordingLoggerFactory m_logs;
    QList<bool> m_echoes;
};

TEST(EnvironmentFileTest, ParsesLines)
{
    const QString separators = QStringLiteral("A=1\rB=2\r\nC=3\u2028D=4\u0085E=5\fF=6\vG=7\u2029H=8");
    const struct
    {
        QString text;
        Pairs expected;
    } cases[] = {
        {QStringLiteral("\n# KEY=x\nno equals sign\n \tKEY = a=b \t\nKEY=c\n"),
         {{QStringLiteral("KEY"), QStringLiteral("c")}}},
        {QStringLiteral("\n# KEY=x\nno equals sign\n \tKEY = a=b \t\n"),
         {{QStringLiteral("KEY"), QStringLiteral("a=b")}}},
        {QStringLiteral("  # KEY=x\nQ=\"true\"\nS='x y'"),
         {{QStringLiteral("Q"), QStringLiteral("\"true\"")}, {QStringLiteral("S"), QStringLiteral("'x y'")}}},
        {QStringLiteral("=v\nK=\n"), {{QString(), QStringLiteral("v")}, {QStringLiteral("K"), QString()}}},
        {separators,
         {{QStringLiteral("A"), QStringLiteral("1")},
          {QStringLiteral("B"), QStringLiteral("2")},
          {QStringLiteral("C"), QStringLiteral("3")},
          {QStringLiteral("D"), QStringLiteral("4")},
          {QStringLiteral("E"), QStringLiteral("5")},
          {QStringLiteral("F"), QStringLiteral("6")},
          {QStringLiteral("G"), QStringLiteral("7")},
          {QStringLiteral("H"), QStringLiteral("8")}}},
        // Only spaces and tabs are blanks.
        {QStringLiteral("K=\u00a0v\u00a0"), {{QStringLiteral("K"), QStringLiteral("\u00a0v\u00a0")}}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(RuntimeEnvironmentLoader::parseEnvironmentFile(c.text), c.expected) << qPrintable(c.text);
    }
}

TEST_F(RuntimeEnvironmentTest, ReadsUtf8FileAndLogsItsSource)
{
    useFile("\xEF\xBB\xBF"
            "DEBUG_PROFILE=\xC3\xA9t\xC3\xA9\nDEBUG_MODE=\"true\"\n");
    const RuntimeEnvironment environment = load();
    EXPECT_EQ(environment.debugProfileName(), QStringLiteral("\u00e9t\u00e9"));
    EXPECT_FALSE(environment.debugModeEnabled()) << "a quoted true is not true";
    EXPECT_EQ(lines().first(), fromFileLine(m_dir.filePath(QStringLiteral("env"))));
}

// DEBUG_MODE is "true" in any letter case and nothing else; the modes take their words in any case
// and fall back to Bonjour and the real Bluetooth stack.
TEST_F(RuntimeEnvironmentTest, SwitchesAndModesFallBackToDefaults)
{
    const struct
    {
        const char *debug, *discovery, *bluetooth;
        bool debugMode;
        DiscoveryType discoveryType;
        BluetoothMode bluetoothMode;
    } cases[] = {
        {nullptr, nullptr, nullptr, false, DiscoveryType::Bonjour, BluetoothMode::Real},
        {"true", "DEBUG", "Mock", true, DiscoveryType::Debug, BluetoothMode::Mock},
        {"TRUE", "bonjour", "real", true, DiscoveryType::Bonjour, BluetoothMode::Real},
        {"tRuE", "other", "fake", true, DiscoveryType::Bonjour, BluetoothMode::Real},
        {"yes", nullptr, nullptr, false, DiscoveryType::Bonjour, BluetoothMode::Real},
        {"1", nullptr, nullptr, false, DiscoveryType::Bonjour, BluetoothMode::Real},
        {" true", nullptr, nullptr, false, DiscoveryType::Bonjour, BluetoothMode::Real},
        {"\"true\"", nullptr, nullptr, false, DiscoveryType::Bonjour, BluetoothMode::Real},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.debug ? c.debug : "unset");
        m_process = QProcessEnvironment();
        for (const auto &[key, value] : {std::pair{"DEBUG_MODE", c.debug}, std::pair{"DISCOVERY_TYPE", c.discovery},
                                         std::pair{"BLUETOOTH_MODE", c.bluetooth}}) {
            if (value) {
                m_process.insert(QLatin1String(key), QLatin1String(value));
            }
        }
        const RuntimeEnvironment environment = load();
        EXPECT_EQ(environment.debugModeEnabled(), c.debugMode);
        EXPECT_EQ(environment.discoveryType(), c.discoveryType);
        EXPECT_EQ(environment.bluetoothMode(), c.bluetoothMode);
    }
}

TEST_F(RuntimeEnvironmentTest, ProcessWinsOverCustomPairsWhichWinOverTheFile)
{
    const QString key = QStringLiteral("DEBUG_CONTEXT_FILE_PATH");
    useFile("DEBUG_CONTEXT_FILE_PATH=/file.json\n");
    RuntimeEnvironmentLoader loader = makeLoader();
    EXPECT_EQ(loader.load().debugContextFilePath(), QStringLiteral("/file.json"));
    EXPECT_EQ(loader.load(Pairs{{key, QStringLiteral("/custom.json")}}).debugContextFilePath(),
              QStringLiteral("/custom.json"));
    EXPECT_EQ(loader.load().debugContextFilePath(), QStringLiteral("/file.json")) << "custom pairs are not kept";

    setProcess({{key, QStringLiteral("/process.json")}});
    EXPECT_EQ(load(Pairs{{key, QStringLiteral("/custom.json")}}).debugContextFilePath(),
              QStringLiteral("/process.json"));

    // An empty process value hides the file's value.
    setProcess({{key, QString()}});
    EXPECT_EQ(load().debugContextFilePath(), QStringLiteral("tmp/debug-context.json"));
    EXPECT_TRUE(lines().contains(QStringLiteral("Using default debug context file path: tmp/debug-context.json")));
}

TEST_F(RuntimeEnvironmentTest, FileIsReadOncePerLoader)
{
    useFile("DEBUG_MODE=true\n");
    RuntimeEnvironmentLoader loader = makeLoader();
    EXPECT_TRUE(loader.load().debugModeEnabled());
    useFile("DEBUG_MODE=false\n");
    EXPECT_TRUE(loader.load().debugModeEnabled());
    EXPECT_EQ(lines().count(QStringLiteral("Using debug storage base URL: tmp/app-storage/")), 2)
        << "lines logged per load";
}

TEST_F(RuntimeEnvironmentTest, DebugPathsFollowTheProfile)
{
    const struct
    {
        std::optional<QString> profile;
        QString directory;
    } cases[] = {{std::nullopt, QStringLiteral("tmp/")},
                 {QString(), QStringLiteral("tmp/")},
                 {QStringLiteral("alice"), QStringLiteral("tmp/alice/")}};
    for (const auto &c : cases) {
        m_process = QProcessEnvironment();
        m_logs.clear();
        setProcess({{QStringLiteral("DEBUG_MODE"), QStringLiteral("true")}});
        if (c.profile) {
            setProcess({{QStringLiteral("DEBUG_PROFILE"), *c.profile}});
        }
        const RuntimeEnvironment environment = load();
        const QString d = c.directory;
        EXPECT_EQ(environment.debugProfileName(), c.profile);
        EXPECT_EQ(environment.debugContextFilePath(), d + QStringLiteral("debug-context.json"));
        EXPECT_EQ(environment.debugFrameSenderDataFilePath(), d + QStringLiteral("debug-frame-sender.json"));
        EXPECT_EQ(environment.debugFrameSenderConfigFilePath(), d + QStringLiteral("debug-frame-sender.config.json"));
        EXPECT_EQ(environment.storageBaseUrl(),
                  QDir::currentPath() + QLatin1Char('/') + d + QStringLiteral("app-storage/"));

        EXPECT_EQ(lines().contains(QStringLiteral("Using debug profile: alice")), c.profile == QStringLiteral("alice"));
    }
}

TEST_F(RuntimeEnvironmentTest, DebugPathsFromEnvironmentAndNoStorageOutsideDebugMode)
{
    setProcess({{QStringLiteral("DEBUG_FRAME_SENDER_DATA_FILE_PATH"), QStringLiteral("/d.json")},
                {QStringLiteral("DEBUG_FRAME_SENDER_CONFIG_FILE_PATH"), QStringLiteral("/c.json")}});
    const RuntimeEnvironment environment = load();
    EXPECT_EQ(environment.debugFrameSenderDataFilePath(), QStringLiteral("/d.json"));
    EXPECT_EQ(environment.debugFrameSenderConfigFilePath(), QStringLiteral("/c.json"));
    EXPECT_EQ(environment.storageBaseUrl(), std::nullopt);
}

TEST_F(RuntimeEnvironmentTest, LogLevels)
{
    useFile("LOG_LEVEL_FromFile=error\nLOG_LEVEL_Hidden=error\n");
    setProcess({{QStringLiteral("LOG_LEVEL"), QStringLiteral("DEBUG")},
                {QStringLiteral("LOG_LEVEL_MacDiscoveryService"), QStringLiteral("Warning")},
                {QStringLiteral("LOG_LEVEL_"), QStringLiteral("info")},
                {QStringLiteral("LOG_LEVEL_Empty"), QString()},
                {QStringLiteral("LOG_LEVEL_Bogus"), QStringLiteral("verbose")},
                {QStringLiteral("log_level_lower"), QStringLiteral("info")},
                {QStringLiteral("LOG_LEVEL_Hidden"), QString()}});
    const RuntimeEnvironment environment = load();
    EXPECT_EQ(environment.defaultLogLevel(), LogLevel::Debug);
    const QHash<QString, LogLevel> expected{{QStringLiteral("MacDiscoveryService"), LogLevel::Warning},
                                            {QStringLiteral("FromFile"), LogLevel::Error}};
    EXPECT_EQ(environment.categoryLogLevelOverrides(), expected);

    const auto logger = std::dynamic_pointer_cast<DefaultLogger>(
        environment.makeLoggerFactory()->createLogger(QStringLiteral("MacDiscoveryService"), LogLevel::Debug));
    ASSERT_TRUE(logger);
    EXPECT_EQ(logger->minLevel(), LogLevel::Warning);

    for (const QString &word : {QStringLiteral("verbose"), QString()}) {
        setProcess({{QStringLiteral("LOG_LEVEL"), word}});
        EXPECT_EQ(load().defaultLogLevel(), std::nullopt) << qPrintable(word);
    }
}

TEST_F(RuntimeEnvironmentTest, MetricsURLIsValidatedWithDefaultsPerMode)
{
    const QUrl production = RuntimeEnvironment::defaultMetricsBeaconBaseURL();
    const QUrl staging = RuntimeEnvironment::defaultDebugMetricsBeaconBaseURL();
    EXPECT_NE(production, staging);
    const struct
    {
        std::optional<QString> value;
        bool debug;
        QUrl expected;
    } cases[] = {
        {QStringLiteral("https://m.example.com"), false, QUrl(QStringLiteral("https://m.example.com"))},
        {QStringLiteral("HTTP://m.example.com/base"), true, QUrl(QStringLiteral("http://m.example.com/base"))},
        {QStringLiteral("ftp://m.example.com"), false, production},
        {QStringLiteral("ftp://m.example.com"), true, staging},
        {QStringLiteral("not a url"), true, staging},
        {QStringLiteral("m.example.com"), false, production},
        {QStringLiteral(" https://m.example.com"), false, production},
        {QString(), false, production},
        {std::nullopt, true, staging},
    };
    for (const auto &c : cases) {
        m_process = QProcessEnvironment();
        setProcess({{QStringLiteral("DEBUG_MODE"), c.debug ? QStringLiteral("true") : QStringLiteral("false")}});
        if (c.value) {
            setProcess({{QStringLiteral("METRICS_CDN_BASE_URL"), *c.value}});
        }
        EXPECT_EQ(load().metricsBeaconBaseURL(), c.expected) << qPrintable(c.value.value_or(QStringLiteral("<unset>")));
    }
}

TEST_F(RuntimeEnvironmentTest, SparkleFeedComesFromTheFileOnly)
{
    const QString key = QStringLiteral("SPARKLE_FEED_URL");
    setProcess({{key, QStringLiteral("https://process.example.com/feed.xml")}});
    EXPECT_EQ(load().sparkleFeedURL(), std::nullopt);

    useFile("SPARKLE_FEED_URL=https://file.example.com/feed.xml\n");
    EXPECT_EQ(load().sparkleFeedURL(), QStringLiteral("https://file.example.com/feed.xml"));
    EXPECT_EQ(load(Pairs{{key, QStringLiteral("ftp://custom.example.com")}}).sparkleFeedURL(), std::nullopt);
    EXPECT_EQ(load(Pairs{{key, QStringLiteral("http://custom.example.com")}}).sparkleFeedURL(),
              QStringLiteral("http://custom.example.com"));
}

TEST_F(RuntimeEnvironmentTest, CustomStdoutSwitchReachesTheFactoryButNotTheLoader)
{
    const RuntimeEnvironment environment = load(Pairs{{QStringLiteral("ENABLE_LOG_STDOUT"), QStringLiteral("true")}});
    EXPECT_TRUE(environment.enableLogStdout());
    const auto logger
        = std::dynamic_pointer_cast<DefaultLogger>(environment.makeLoggerFactory()->createLogger(QStringLiteral("X")));
    ASSERT_TRUE(logger);
    EXPECT_TRUE(logger->enableStdout());
    EXPECT_EQ(m_echoes, QList<bool>{false});

    setProcess({{QStringLiteral("ENABLE_LOG_STDOUT"), QStringLiteral("True")}});
    load();
    EXPECT_EQ(m_echoes, (QList<bool>{false, true}));
}

TEST_F(RuntimeEnvironmentTest, ResourceFileIsTheDefaultButNotAFallback)
{
    writeFile(bundledFile(), "DEBUG_MODE=true\n");
    EXPECT_TRUE(load().debugModeEnabled());
    EXPECT_EQ(lines().first(), fromFileLine(bundledFile()));

    m_logs.clear();
    setProcess({{QStringLiteral("RUNTIME_ENV_FILE"), m_dir.filePath(QStringLiteral("missing"))}});
    EXPECT_FALSE(load().debugModeEnabled());
    EXPECT_EQ(lines().first(),
              QStringLiteral("Default runtime environment loaded, current working directory: ") + QDir::currentPath());
    EXPECT_TRUE(m_logs.messages(LogLevel::Info, QStringLiteral("ModuleResourcesBundle")).isEmpty())
        << "the resources are not even looked up";
}

} // namespace
