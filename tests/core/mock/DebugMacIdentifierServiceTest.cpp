#include "mock/DebugMacIdentifierService.h"

#include "foundation/JsonFields.h"
#include "support/ManualClock.h"
#include "support/TestFiles.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString storedId = QStringLiteral("6F9619FF-8B86-4D01-B42D-00CF4FC964FF");

class DebugMacIdentifierServiceTest : public ::testing::Test
{
protected:
    std::unique_ptr<DebugMacIdentifierService> make(std::optional<QString> profile = std::nullopt)
    {
        return std::make_unique<DebugMacIdentifierService>(identityPath, logs, std::move(profile), clock);
    }

    QJsonObject localState() const { return readJsonObject(localPath); }

    QTemporaryDir directory;
    QString identityPath = directory.filePath(QStringLiteral("a/debug-identity.json"));
    QString localPath = directory.filePath(QStringLiteral("a/advertised-mac-identity.json"));
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
};

TEST_F(DebugMacIdentifierServiceTest, FirstStartCreatesBothFilesAndLaterStartsReuseThem)
{
    const auto first = make();
    const QString idText = json::uuidToString(first->currentMacId());
    EXPECT_EQ(readJsonObject(identityPath), (QJsonObject{{QStringLiteral("id"), idText}}));
    EXPECT_EQ(localState(), (QJsonObject{{QStringLiteral("installationId"), first->installationId()}}));
    EXPECT_EQ(first->installationId(), first->installationId().toLower());
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Creating new debug identity: ") + idText));

    logs.clear();
    const auto second = make();
    EXPECT_EQ(second->currentMacId(), first->currentMacId());
    EXPECT_EQ(second->installationId(), first->installationId());
    EXPECT_TRUE(logs.contains(LogLevel::Info, QStringLiteral("Loaded debug identity from file: ") + idText));
}

TEST_F(DebugMacIdentifierServiceTest, AnUnusableIdentityFileIsReplacedByANewId)
{
    struct Case
    {
        const char *name;
        QByteArray content;
        QString logStart;
    };
    const std::vector<Case> cases{
        {"id not a UUID", R"({"id": "mac-one"})",
         QStringLiteral("Invalid UUID in identity file: mac-one. Creating new identity.")},
        {"not JSON", "id=1", QStringLiteral("Failed to load identity from ") + identityPath + QStringLiteral(": ")},
        {"no id", R"({"uuid": "6F9619FF-8B86-4D01-B42D-00CF4FC964FF"})",
         QStringLiteral("Failed to load identity from ") + identityPath + QStringLiteral(": ")},
    };
    QDir().mkpath(QFileInfo(identityPath).path());
    for (const Case &c : cases) {
        writeFile(identityPath, c.content);
        logs.clear();
        const auto service = make();
        EXPECT_TRUE(logs.containsSubstring(LogLevel::Error, c.logStart)) << c.name;
        EXPECT_EQ(readJsonObject(identityPath).value(QStringLiteral("id")).toString(),
                  json::uuidToString(service->currentMacId()))
            << c.name;
    }
}

TEST_F(DebugMacIdentifierServiceTest, StoredIdsAreTakenInEitherCaseWithoutRewriting)
{
    QDir().mkpath(QFileInfo(identityPath).path());
    writeFile(identityPath, QStringLiteral("{\"id\": \"%1\"}").arg(storedId.toLower()).toUtf8());
    const QByteArray state = R"({"installationId": "ABCDEF01-2345-4678-89AB-CDEF01234567", "advertisedName": "Desk"})";
    writeFile(localPath, state);
    const auto service = make();
    EXPECT_EQ(json::uuidToString(service->currentMacId()), storedId);
    EXPECT_EQ(service->installationId(), QStringLiteral("abcdef01-2345-4678-89ab-cdef01234567"));
    EXPECT_EQ(service->advertisedName(), QStringLiteral("Desk"));
    EXPECT_EQ(readFile(localPath), state);
}

TEST_F(DebugMacIdentifierServiceTest, AnUnreadableLocalStateGetsANewInstallationId)
{
    QDir().mkpath(QFileInfo(localPath).path());
    writeFile(localPath, R"({"advertisedName": "Desk", "installationId": "not-a-uuid"})");
    const auto service = make();
    EXPECT_TRUE(json::uuidFromString(service->installationId()).has_value());
    // The name of a state that reads survives the new id.
    EXPECT_EQ(service->advertisedName(), QStringLiteral("Desk"));
    EXPECT_EQ(localState().value(QStringLiteral("installationId")).toString(), service->installationId());

    writeFile(localPath, "[]");
    logs.clear();
    const auto again = make();
    EXPECT_EQ(again->advertisedName(), std::nullopt);
    EXPECT_TRUE(logs.containsSubstring(LogLevel::Warning,
                                       QStringLiteral("Failed to load debug local identity state from ") + localPath));
}

TEST_F(DebugMacIdentifierServiceTest, SettingTheNameTrimsAnnouncesAndSavesIt)
{
    const auto service = make();
    QSignalSpy names(service.get(), &MacIdentifierServiceProtocol::advertisedNameDidChange);
    service->setAdvertisedName(QStringLiteral("  Desk Mac \n"));
    EXPECT_EQ(service->advertisedName(), QStringLiteral("Desk Mac"));
    EXPECT_EQ(localState().value(QStringLiteral("advertisedName")).toString(), QStringLiteral("Desk Mac"));
    service->setAdvertisedName(QStringLiteral(" \t "));
    EXPECT_EQ(service->advertisedName(), std::nullopt);
    EXPECT_FALSE(localState().contains(QStringLiteral("advertisedName")));
    EXPECT_EQ(localState().value(QStringLiteral("installationId")).toString(), service->installationId());
    ASSERT_EQ(names.count(), 2);
    EXPECT_EQ(names.at(1).at(0).value<std::optional<QString>>(), std::nullopt);
}

TEST_F(DebugMacIdentifierServiceTest, TheProfileNameMarksTheAdvertisedRecord)
{
    const QString host = QSysInfo::machineHostName();
    const auto plain = make();
    EXPECT_EQ(plain->makeDiscoveredMac(std::nullopt).name(), host);
    const auto profiled = make(QStringLiteral("B"));
    DiscoverableMac mac = profiled->makeDiscoveredMac(QStringLiteral("123456"));
    EXPECT_EQ(mac.name(), QStringLiteral("[B] ") + host);
    EXPECT_EQ(mac.version(), QStringLiteral("1.0.0"));
    EXPECT_EQ(mac.endpoint(), std::nullopt);
    EXPECT_EQ(mac.securityCode(), QStringLiteral("123456"));
    EXPECT_EQ(mac.discoveredAt(), clock->now());
    profiled->setAdvertisedName(QStringLiteral("Desk"));
    EXPECT_EQ(profiled->makeDiscoveredMac(std::nullopt).name(), QStringLiteral("[B] Desk"));
}

TEST_F(DebugMacIdentifierServiceTest, TheNameIsCappedLikeEveryComputerName)
{
    // 63 bytes at most, however long the name, the profile or the two together.
    const QString longName = QString(40, u'N') + QStringLiteral("ßß") + QString(40, u'n');
    const auto profiled = make(QString(30, u'P'));
    profiled->setAdvertisedName(longName);
    EXPECT_EQ(profiled->advertisedName(), QString(40, u'N') + QStringLiteral("ßß") + QString(19, u'n'));
    const QString advertised = profiled->makeDiscoveredMac(std::nullopt).name();
    EXPECT_EQ(advertised, u'[' + QString(30, u'P') + QStringLiteral("] ") + QString(30, u'N'));
    EXPECT_EQ(advertised.toUtf8().size(), 63);

    // A name stored too long by hand is capped when read.
    writeFile(localPath,
              QJsonDocument(QJsonObject{{QStringLiteral("installationId"), profiled->installationId()},
                                        {QStringLiteral("advertisedName"), QString(100, u'x')}})
                  .toJson());
    EXPECT_EQ(make()->advertisedName(), QString(63, u'x'));
}

TEST_F(DebugMacIdentifierServiceTest, TheIdentityFileLiesBesideTheContextFile)
{
    EXPECT_EQ(DebugMacIdentifierService::identityFilePathBeside(QStringLiteral("/tmp/a/context.json")),
              QStringLiteral("/tmp/a/debug-identity.json"));
    EXPECT_EQ(DebugMacIdentifierService::identityFilePathBeside(QStringLiteral("context.json")),
              QStringLiteral("debug-identity.json"));
    EXPECT_EQ(DebugMacIdentifierService::identityFilePathBeside(QStringLiteral("./context.json")),
              QStringLiteral("debug-identity.json"));
}

TEST_F(DebugMacIdentifierServiceTest, UnwritableFilesLeaveATransientIdentity)
{
    // The identity's directory is taken by a file.
    writeFile(directory.filePath(QStringLiteral("a")), "a file");
    const auto service = make();
    EXPECT_FALSE(service->currentMacId().isNull());
    EXPECT_TRUE(json::uuidFromString(service->installationId()).has_value());
    EXPECT_TRUE(logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to save new identity: ")));
    EXPECT_TRUE(
        logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to persist debug installation identity: ")));
}

} // namespace
