#include "records/DeviceStorageService.h"
#include "foundation/JsonFields.h"

#include "support/StoreFixture.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <thread>

using namespace verandel;
using Op = test::FaultyFileManager::Operation;
using Kind = StorageError::Kind;

namespace {

const QString devicesFile = QStringLiteral("devices.json");

DeviceInput input(const QString &mac, const QString &name)
{
    return DeviceInput{mac, name, QStringLiteral("telemetry-") + mac, std::nullopt};
}

class DeviceStorageServiceTest : public test::StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_service = std::make_unique<DeviceStorageService>(m_storage, m_logs, m_clock);
    }

    // The names in the order the document holds them.
    QStringList namesInFile() const
    {
        QStringList names;
        for (const QJsonValue &element : QJsonDocument::fromJson(contents(devicesFile)).array()) {
            names.append(element.toObject().value(QStringLiteral("name")).toString());
        }
        return names;
    }

    std::unique_ptr<DeviceStorageService> m_service;
};

TEST_F(DeviceStorageServiceTest, AbsentDocumentIsAnEmptyListAndIsNeverCreatedByReads)
{
    EXPECT_TRUE(m_service->listDevices().isEmpty());
    EXPECT_EQ(m_service->getDevicesCount(), 0);
    EXPECT_FALSE(m_service->hasDevices());
    EXPECT_EQ(m_service->getDevice(QStringLiteral("aa:bb:cc:dd:ee:ff")), std::nullopt);
    EXPECT_FALSE(m_service->deviceExists(QStringLiteral("aa:bb:cc:dd:ee:ff")));
    EXPECT_FALSE(m_service->deleteDeviceByMacAddress(QStringLiteral("aa:bb:cc:dd:ee:ff")));
    EXPECT_EQ(kindOf([&] { m_service->updateDevice(input(QStringLiteral("m"), QStringLiteral("n")).toDevice({})); }),
              Kind::FileNotFound);
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(DeviceStorageServiceTest, FileKeepsInsertionOrderWhileListIsSorted)
{
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("Trackpad")));
    m_clock->advance(60);
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:02"), QStringLiteral("Keyboard")));
    m_clock->advance(60);
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:03"), QStringLiteral("Trackpad")));

    EXPECT_EQ(namesInFile(),
              (QStringList{QStringLiteral("Trackpad"), QStringLiteral("Keyboard"), QStringLiteral("Trackpad")}));
    const QList<Device> listed = m_service->listDevices();
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[0].name(), QStringLiteral("Keyboard"));
    EXPECT_EQ(listed[1].macAddress(), QStringLiteral("00:00:00:00:00:03")); // newer first
    EXPECT_EQ(listed[2].macAddress(), QStringLiteral("00:00:00:00:00:01"));
}

TEST_F(DeviceStorageServiceTest, AddedRecordIsStampedNowAndReadsBackInWholeSeconds)
{
    const Device added = m_service->addDevice(input(QStringLiteral("aa:bb:cc:dd:ee:ff"), QStringLiteral("Mouse")));
    EXPECT_EQ(added.timestamp(), m_clock->now());
    const std::optional<Device> stored = m_service->getDeviceByMacAddress(QStringLiteral("aa:bb:cc:dd:ee:ff"));
    ASSERT_TRUE(stored.has_value());
    EXPECT_NE(*stored, added);
    EXPECT_EQ(json::toIso8601(stored->timestamp()), json::toIso8601(added.timestamp()));
    EXPECT_EQ(m_service->getDevice(QStringLiteral("aa:bb:cc:dd:ee:ff")), stored);
}

TEST_F(DeviceStorageServiceTest, DuplicateAddressIsRefusedAndTheFileIsUntouched)
{
    m_service->addDevice(input(QStringLiteral("aa:bb:cc:dd:ee:ff"), QStringLiteral("Mouse")));
    const QByteArray before = contents(devicesFile);
    const int writes = m_files->callCount(Op::WriteNewFile);

    try {
        m_service->addDevice(input(QStringLiteral("aa:bb:cc:dd:ee:ff"), QStringLiteral("Other")));
        FAIL() << "duplicate accepted";
    } catch (const StorageError &error) {
        EXPECT_EQ(
            error,
            StorageError::invalidData(QStringLiteral("Device with MAC address aa:bb:cc:dd:ee:ff already exists")));
    }
    EXPECT_EQ(contents(devicesFile), before);
    EXPECT_EQ(m_files->callCount(Op::WriteNewFile), writes);

    // Addresses are exact strings: another letter case is another device.
    m_service->addDevice(input(QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("Upper")));
    EXPECT_EQ(m_service->getDevicesCount(), 2);
}

TEST_F(DeviceStorageServiceTest, SaveOrUpdateAddsOrReplacesInPlace)
{
    const QDateTime given(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("First")));
    m_service->saveOrUpdateDevice(Device(QStringLiteral("00:00:00:00:00:02"), QStringLiteral("Second"),
                                         QStringLiteral("T2"), std::nullopt, given));
    std::optional<Device> second = m_service->getDevice(QStringLiteral("00:00:00:00:00:02"));
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(json::toIso8601(second->timestamp()), json::toIso8601(m_clock->now()));

    m_clock->advance(3600);
    m_service->saveOrUpdateDevice(Device(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("Renamed"),
                                         QStringLiteral("T1"), DeviceDetectionAttributes{}, given));
    EXPECT_EQ(namesInFile(), (QStringList{QStringLiteral("Renamed"), QStringLiteral("Second")}));
    const std::optional<Device> first = m_service->getDevice(QStringLiteral("00:00:00:00:00:01"));
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(json::toIso8601(first->timestamp()), json::toIso8601(m_clock->now()));
    EXPECT_EQ(first->detectionAttributes(), DeviceDetectionAttributes{});
}

TEST_F(DeviceStorageServiceTest, AnAddressWrittenByHandReadsInTheCanonicalFormAndIsSavedSo)
{
    writeRaw(devicesFile, R"([{"macAddress": "A4-83-E7-00-00-01", "name": "Keyboard", "telemetryDeviceId": "t",
        "timestamp": "2020-01-01T00:00:00Z"}])");
    const QString canonical = QStringLiteral("a4:83:e7:00:00:01");
    ASSERT_EQ(m_service->listDevices().size(), 1);
    EXPECT_EQ(m_service->listDevices().first().macAddress(), canonical);
    const std::optional<Device> stored = m_service->getDeviceByMacAddress(canonical);
    ASSERT_TRUE(stored.has_value());

    m_service->saveOrUpdateDevice(
        stored->withUpdates(std::nullopt, QStringLiteral("Renamed"), std::nullopt, m_clock->now()));
    EXPECT_EQ(namesInFile(), QStringList{QStringLiteral("Renamed")}) << "one record for the device";
    EXPECT_TRUE(contents(devicesFile).contains(canonical.toUtf8()));
}

TEST_F(DeviceStorageServiceTest, UpdateDropsALegacyType)
{
    writeRaw(devicesFile, R"([{"macAddress": "m", "name": "Old", "telemetryDeviceId": "t",
        "deviceType": "magic_mouse", "timestamp": "2020-01-01T00:00:00Z"}])");
    const std::optional<Device> stored = m_service->getDevice(QStringLiteral("m"));
    ASSERT_TRUE(stored && stored->isSupported());
    EXPECT_TRUE(m_service->updateDevice(*stored));
    EXPECT_FALSE(contents(devicesFile).contains("deviceType"));
    EXPECT_EQ(m_service->getDevice(QStringLiteral("m"))->legacyDeviceType(), std::nullopt);
}

TEST_F(DeviceStorageServiceTest, DeleteClosesTheGapAndAMissingAddressWritesNothing)
{
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("A")));
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:02"), QStringLiteral("B")));
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:03"), QStringLiteral("C")));
    EXPECT_TRUE(m_service->deleteDeviceByMacAddress(QStringLiteral("00:00:00:00:00:02")));
    EXPECT_EQ(namesInFile(), (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
    EXPECT_TRUE(m_service->deleteDevice(QStringLiteral("00:00:00:00:00:01")));

    const QByteArray before = contents(devicesFile);
    const int writes = m_files->callCount(Op::WriteNewFile);
    EXPECT_FALSE(m_service->deleteDeviceByMacAddress(QStringLiteral("00:00:00:00:00:09")));
    EXPECT_EQ(contents(devicesFile), before);
    EXPECT_EQ(m_files->callCount(Op::WriteNewFile), writes);
}

TEST_F(DeviceStorageServiceTest, BatchOperations)
{
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("Stored")));
    const QList<Device> added
        = m_service->addDevices({input(QStringLiteral("00:00:00:00:00:02"), QStringLiteral("New")),
                                 input(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("Dup")),
                                 input(QStringLiteral("00:00:00:00:00:02"), QStringLiteral("Dup2"))});
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added.first().name(), QStringLiteral("New"));
    EXPECT_EQ(namesInFile(), (QStringList{QStringLiteral("Stored"), QStringLiteral("New")}));

    const int writes = m_files->callCount(Op::WriteNewFile);
    EXPECT_EQ(m_service->deleteDevices({QStringLiteral("x"), QStringLiteral("y")}), 0);
    EXPECT_EQ(m_files->callCount(Op::WriteNewFile), writes);
    EXPECT_EQ(m_service->deleteDevices({QStringLiteral("00:00:00:00:00:01"), QStringLiteral("y")}), 1);
    EXPECT_EQ(namesInFile(), QStringList{QStringLiteral("New")});
}

TEST_F(DeviceStorageServiceTest, CorruptDocumentBlocksEveryOperationAndNothingIsWritten)
{
    for (const QByteArray &corrupt :
         {QByteArray("[{\"macAddress\": \"m\", \"name\": \"n\", \"telemetryDeviceId\": \"t\", "
                     "\"deviceType\": \"keyboard\", \"timestamp\": \"2020-01-01T00:00:00Z\"}]"),
          QByteArray("not json"), QByteArray("{\"macAddress\": \"m\"}")}) {
        writeRaw(devicesFile, corrupt);
        const int writes = m_files->callCount(Op::WriteNewFile);
        const QString mac = QStringLiteral("m");
        const Device device = input(mac, QStringLiteral("n")).toDevice(m_clock->now());
        const std::function<void()> operations[] = {
            [&] { m_service->listDevices(); },
            [&] { m_service->getDevice(mac); },
            [&] { m_service->getDeviceByMacAddress(mac); },
            [&] { m_service->addDevice(input(QStringLiteral("other"), QStringLiteral("n"))); },
            [&] { m_service->updateDevice(device); },
            [&] { m_service->deleteDevice(mac); },
            [&] { m_service->deleteDeviceByMacAddress(mac); },
            [&] { m_service->saveOrUpdateDevice(device); },
            [&] { m_service->deviceExists(mac); },
            [&] { m_service->getDevicesCount(); },
            [&] { m_service->hasDevices(); },
            [&] { m_service->addDevices({input(QStringLiteral("other"), QStringLiteral("n"))}); },
            [&] { m_service->deleteDevices({mac}); },
        };
        for (const auto &operation : operations) {
            EXPECT_EQ(kindOf(operation), Kind::JsonDecodingFailed) << corrupt.constData();
        }
        EXPECT_EQ(contents(devicesFile), corrupt);
        EXPECT_EQ(storedFiles(), QStringList{devicesFile});
        EXPECT_EQ(m_files->callCount(Op::WriteNewFile), writes);
    }
    EXPECT_TRUE(
        m_logs.containsSubstring(LogLevel::Error, QStringLiteral("Failed to list devices: JSON decoding failed")));
}

TEST_F(DeviceStorageServiceTest, FailedWriteKeepsThePreviousDocument)
{
    m_service->addDevice(input(QStringLiteral("00:00:00:00:00:01"), QStringLiteral("Kept")));
    const QByteArray before = contents(devicesFile);
    m_files->failWith(Op::WriteNewFile, ENOSPC);
    EXPECT_EQ(kindOf([&] { m_service->addDevice(input(QStringLiteral("00:00:00:00:00:02"), QStringLiteral("Lost"))); }),
              Kind::DiskFull);
    EXPECT_EQ(contents(devicesFile), before);
    EXPECT_TRUE(m_logs.contains(LogLevel::Error,
                                QStringLiteral("Failed to add device: Insufficient disk space for operation")));
}

TEST_F(DeviceStorageServiceTest, ConstructionSurvivesAnUncreatableDirectory)
{
    m_files->failWith(Op::CreateDirectory, EACCES);
    const StorageManagerPtr storage
        = StorageManager::create(m_files, m_clock, m_dir.filePath(QStringLiteral("elsewhere")), m_logs);
    DeviceStorageService service(storage, m_logs, m_clock);
    EXPECT_TRUE(m_logs.containsSubstring(
        LogLevel::Error,
        QStringLiteral("Failed to ensure storage directory during DeviceStorageService initialization: ")));
    EXPECT_EQ(kindOf([&] { service.listDevices(); }), Kind::DirectoryCreationFailed);
}

TEST_F(DeviceStorageServiceTest, ManyQuickWritesLoseNoRecord)
{
    constexpr int threads = 6;
    constexpr int perThread = 15;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([this, t] {
            for (int i = 0; i < perThread; ++i) {
                const QString mac = QStringLiteral("00:00:00:00:%1:%2")
                                        .arg(t, 2, 16, QLatin1Char('0'))
                                        .arg(i, 2, 16, QLatin1Char('0'));
                m_service->addDevice(input(mac, QStringLiteral("D")));
                if (i % 3 == 0) {
                    m_service->saveOrUpdateDevice(input(mac, QStringLiteral("E")).toDevice(m_clock->now()));
                }
            }
        });
    }
    for (std::thread &worker : workers) {
        worker.join();
    }
    EXPECT_EQ(m_service->getDevicesCount(), threads * perThread);
    EXPECT_EQ(namesInFile().count(QStringLiteral("E")), threads * ((perThread + 2) / 3));
}

} // namespace
