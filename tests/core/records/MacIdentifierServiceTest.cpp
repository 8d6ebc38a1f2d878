#include "records/MacIdentifierService.h"
#include "foundation/JsonFields.h"

#include "support/StoreFixture.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QSysInfo>

#include <cerrno>

using namespace verandel;
using Op = test::FaultyFileManager::Operation;

namespace {

const QString identityFile = QStringLiteral("advertised-mac-identity.json");
const QUuid machineId = QUuid::fromString(QStringLiteral("01234567-89ab-cdef-0123-456789abcdef"));

class MacIdentifierServiceTest : public test::StoreFixture
{
protected:
    std::unique_ptr<MacIdentifierService> make(MachineId::Reader reader = [] { return machineId; })
    {
        return std::make_unique<MacIdentifierService>(m_logs, m_storage, m_clock, std::move(reader));
    }
    QJsonObject stored() const { return QJsonDocument::fromJson(contents(identityFile)).object(); }
    static bool isLowerCaseUuid(const QString &text)
    {
        return json::uuidFromString(text).has_value() && text == text.toLower();
    }
};

TEST_F(MacIdentifierServiceTest, FirstStartWritesANewInstallationIdAndNoName)
{
    const auto service = make();
    EXPECT_TRUE(isLowerCaseUuid(service->installationId()));
    EXPECT_EQ(service->advertisedName(), std::nullopt);
    EXPECT_EQ(stored(), (QJsonObject{{QStringLiteral("installationId"), service->installationId()}}));
    EXPECT_TRUE(m_logs.messages(LogLevel::Warning, QStringLiteral("MacIdentifierService")).isEmpty());
}

TEST_F(MacIdentifierServiceTest, IdsAreStableAcrossConstructionsAndDoNotRevealTheMachineId)
{
    const auto first = make();
    const auto second = make();
    EXPECT_EQ(first->currentMacId(), second->currentMacId());
    EXPECT_EQ(first->installationId(), second->installationId());
    EXPECT_NE(first->currentMacId(), machineId);
    EXPECT_EQ(first->currentMacId(), MachineId::appSpecificId(machineId));
    EXPECT_FALSE(contents(identityFile).contains("0123456789"));
}

TEST_F(MacIdentifierServiceTest, StoredValuesAreReadAndNormalised)
{
    writeRaw(identityFile, R"({"installationId": "ABCDEF01-2345-4678-89AB-CDEF01234567", "advertisedName": "",
        "other": 1})");
    const auto service = make();
    EXPECT_EQ(service->installationId(), QStringLiteral("abcdef01-2345-4678-89ab-cdef01234567"));
    EXPECT_EQ(service->advertisedName(), QString());
    // Rewritten at once, in lower case, keeping the empty name and dropping unknown keys.
    EXPECT_EQ(stored(),
              (QJsonObject{{QStringLiteral("installationId"), service->installationId()},
                           {QStringLiteral("advertisedName"), QString()}}));
    // An empty name is still a name: it is advertised instead of the host name.
    EXPECT_EQ(service->makeDiscoveredMac(std::nullopt).name(), QString());
}

TEST_F(MacIdentifierServiceTest, AnInvalidStoredInstallationIdIsReplacedAndTheNameKept)
{
    writeRaw(identityFile, R"({"installationId": "", "advertisedName": " Desk "})");
    const auto service = make();
    EXPECT_TRUE(isLowerCaseUuid(service->installationId()));
    EXPECT_EQ(service->advertisedName(), QStringLiteral(" Desk "));
    EXPECT_EQ(stored().value(QStringLiteral("installationId")).toString(), service->installationId());
}

TEST_F(MacIdentifierServiceTest, UndecodableFileIsReplacedWithAWarning)
{
    writeRaw(identityFile, "{\"advertisedName\": \"Lost\"}");
    const auto service = make();
    EXPECT_TRUE(isLowerCaseUuid(service->installationId()));
    EXPECT_EQ(service->advertisedName(), std::nullopt);
    EXPECT_EQ(stored(), (QJsonObject{{QStringLiteral("installationId"), service->installationId()}}));
    EXPECT_TRUE(m_logs.containsSubstring(
        LogLevel::Warning, QStringLiteral("Failed to load local identity state from disk: JSON decoding")));

    // A backup that does not decode either still counts as an undecodable file, not a passing failure.
    writeRaw(identityFile, "{");
    writeRaw(QStringLiteral("advertised-mac-identity.backup.json"), "[]");
    const auto repaired = make();
    EXPECT_NE(repaired->installationId(), service->installationId());
    EXPECT_EQ(stored(), (QJsonObject{{QStringLiteral("installationId"), repaired->installationId()}}));
}

TEST_F(MacIdentifierServiceTest, AReadFailureLeavesTheFileAlone)
{
    const QByteArray original
        = R"({"installationId": "abcdef01-2345-4678-89ab-cdef01234567", "advertisedName": "Desk"})";
    for (const int code : {EIO, EACCES}) {
        writeRaw(identityFile, original);
        m_files->failWith(Op::ReadFile, code);
        const auto service = make();
        m_files->clearFailures();

        EXPECT_TRUE(isLowerCaseUuid(service->installationId()));
        EXPECT_NE(service->installationId(), QStringLiteral("abcdef01-2345-4678-89ab-cdef01234567"));
        EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to load local identity state")));
        EXPECT_EQ(contents(identityFile), original);

        // Nor does a later name change overwrite the stored installation id.
        service->setAdvertisedName(QStringLiteral("New"));
        EXPECT_EQ(service->advertisedName(), QStringLiteral("New"));
        EXPECT_EQ(contents(identityFile), original);

        // The next start reads the file again.
        EXPECT_EQ(make()->installationId(), QStringLiteral("abcdef01-2345-4678-89ab-cdef01234567"));
    }
}

TEST_F(MacIdentifierServiceTest, SettingTheNameTrimsAnnouncesAndPersists)
{
    const auto service = make();
    QSignalSpy changes(service.get(), &MacIdentifierServiceProtocol::advertisedNameDidChange);

    service->setAdvertisedName(QStringLiteral("  Two Words  "));
    EXPECT_EQ(service->advertisedName(), QStringLiteral("Two Words"));
    EXPECT_EQ(stored().value(QStringLiteral("advertisedName")).toString(), QStringLiteral("Two Words"));

    const int writes = m_files->callCount(Op::WriteNewFile);
    service->setAdvertisedName(QStringLiteral("Two Words"));
    EXPECT_EQ(m_files->callCount(Op::WriteNewFile), writes + 1);

    for (const std::optional<QString> &blank : {std::optional<QString>(QStringLiteral(" \n\t ")),
                                                std::optional<QString>(QString()), std::optional<QString>()}) {
        service->setAdvertisedName(blank);
        EXPECT_EQ(service->advertisedName(), std::nullopt);
        EXPECT_FALSE(stored().contains(QStringLiteral("advertisedName")));
    }
    ASSERT_EQ(changes.size(), 5);
    EXPECT_EQ(changes.at(0).at(0).value<std::optional<QString>>(), QStringLiteral("Two Words"));
    EXPECT_EQ(changes.at(1).at(0).value<std::optional<QString>>(), QStringLiteral("Two Words"));
    EXPECT_EQ(changes.at(4).at(0).value<std::optional<QString>>(), std::nullopt);
    EXPECT_EQ(service->makeDiscoveredMac(std::nullopt).name(), QSysInfo::machineHostName());
}

TEST_F(MacIdentifierServiceTest, AdvertisedNameIsCappedAtACharacterBoundary)
{
    struct Case
    {
        QString given;
        QString expected;
    };
    const QString acute = QStringLiteral("e\u0301");
    const QString flag = QStringLiteral("\U0001F1E9\U0001F1EA"); // two code points, one character
    const Case cases[] = {
        {QString(63, QLatin1Char('x')), QString(63, QLatin1Char('x'))},
        {QString(70, QLatin1Char('x')), QString(63, QLatin1Char('x'))},
        {QString(40, QChar(0x00E9)), QString(31, QChar(0x00E9))}, // 2 bytes each
        {QStringLiteral("a") + acute.repeated(40), QStringLiteral("a") + acute.repeated(20)}, // no split mark
        {QStringLiteral("abc") + flag.repeated(20), QStringLiteral("abc") + flag.repeated(7)},
        {QString(62, QLatin1Char('x')) + QStringLiteral(" yz"), QString(62, QLatin1Char('x'))},
        // One character longer than the limit is still cut, between code points.
        {QStringLiteral("e") + QString(40, QChar(0x0301)), QStringLiteral("e") + QString(31, QChar(0x0301))},
    };
    const auto service = make();
    for (const Case &c : cases) {
        service->setAdvertisedName(c.given);
        ASSERT_TRUE(service->advertisedName().has_value());
        EXPECT_EQ(*service->advertisedName(), c.expected) << c.given.toStdString();
        EXPECT_LE(service->advertisedName()->toUtf8().size(), MacIdentifierService::maxAdvertisedNameBytes);
    }
}

TEST_F(MacIdentifierServiceTest, OwnRecordIsStampedNow)
{
    const auto service = make();
    service->setAdvertisedName(QStringLiteral("Desk"));
    const DiscoverableMac record = service->makeDiscoveredMac(QStringLiteral("ABC123"));
    EXPECT_EQ(record,
              DiscoverableMac(service->currentMacId(), QStringLiteral("Desk"), QStringLiteral("1.0.0"), std::nullopt,
                              service->installationId(), QStringLiteral("ABC123"), m_clock->now()));
}

TEST_F(MacIdentifierServiceTest, WithoutAMachineIdARandomIdIsKeptInTheStorageDirectory)
{
    const auto noMachineId = [] { return std::optional<QUuid>(); };
    const QUuid first = make(noMachineId)->currentMacId();
    EXPECT_FALSE(first.isNull());
    EXPECT_TRUE(exists(QStringLiteral("fallback-machine-id.json")));
    EXPECT_TRUE(m_logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to read the machine id")));
    EXPECT_EQ(make(noMachineId)->currentMacId(), first);

    // Another computer without a machine id gets another id.
    QTemporaryDir otherDir;
    const StorageManagerPtr other = StorageManager::create(m_files, m_clock, otherDir.path(), m_logs);
    EXPECT_NE(MacIdentifierService(m_logs, other, m_clock, noMachineId).currentMacId(), first);
}

} // namespace
