#include "records/MachineId.h"
#include "foundation/JsonFields.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <systemd/sd-id128.h>

using namespace verandel;

namespace {

TEST(MachineIdTest, ParsesOnlyMachineIdFileContent)
{
    const QUuid expected = QUuid::fromString(QStringLiteral("01234567-89ab-cdef-0123-456789abcdef"));
    EXPECT_EQ(MachineId::parse("0123456789abcdef0123456789abcdef\n"), expected);
    EXPECT_EQ(MachineId::parse("0123456789ABCDEF0123456789ABCDEF"), expected);
    EXPECT_EQ(MachineId::parse("uninitialized\n"), std::nullopt);
    EXPECT_EQ(MachineId::parse("00000000000000000000000000000000\n"), std::nullopt);
    EXPECT_EQ(MachineId::parse("0123456789abcdef0123456789abcde\n"), std::nullopt);
    EXPECT_EQ(MachineId::parse("01234567-89ab-cdef-0123-456789abcdef"), std::nullopt);
    EXPECT_EQ(MachineId::parse("0123456789abcdef0123456789abcdeg"), std::nullopt);
    EXPECT_EQ(MachineId::parse(""), std::nullopt);
}

TEST(MachineIdTest, FileReaderFallsBackToTheNextUsableFile)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("machine-id"));
    const QString dbus = dir.filePath(QStringLiteral("dbus-machine-id"));
    QFile(empty).open(QIODevice::WriteOnly);
    QFile file(dbus);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("fedcba9876543210fedcba9876543210\n");
    file.close();

    EXPECT_EQ(MachineId::fileReader({empty, dbus})(),
              QUuid::fromString(QStringLiteral("fedcba98-7654-3210-fedc-ba9876543210")));
    EXPECT_EQ(MachineId::fileReader({dir.filePath(QStringLiteral("absent")), dbus})(),
              QUuid::fromString(QStringLiteral("fedcba98-7654-3210-fedc-ba9876543210")));
    EXPECT_EQ(MachineId::fileReader({empty})(), std::nullopt);
}

TEST(MachineIdTest, AppSpecificIdIsFixedAndHidesTheMachineId)
{
    const QUuid machineId = QUuid::fromString(QStringLiteral("01234567-89ab-cdef-0123-456789abcdef"));
    const QUuid derived = MachineId::appSpecificId(machineId);
    // Pinned: peers store this id, so the derivation must never change.
    EXPECT_EQ(json::uuidToString(derived), QStringLiteral("CA1E757D-F316-479A-9357-F316D5CF4A2A"));
    EXPECT_EQ(derived.version(), QUuid::Random);
    EXPECT_EQ(derived.variant(), QUuid::DCE);
    EXPECT_NE(MachineId::appSpecificId(QUuid::fromString(QStringLiteral("01234567-89ab-cdef-0123-456789abcdee"))),
              derived);
}

// The derivation is the one systemd offers, so tools can reproduce it on a machine.
TEST(MachineIdTest, AppSpecificIdMatchesSystemd)
{
    sd_id128_t machine;
    if (sd_id128_get_machine(&machine) < 0) {
        GTEST_SKIP() << "no machine id on this system";
    }
    const QUuid key = QUuid::fromString(QStringLiteral("bbc6d3b6-260d-48d3-b18e-ccb6e6ee4647"));
    sd_id128_t app;
    const QByteArray keyBytes = key.toRfc4122();
    std::copy(keyBytes.cbegin(), keyBytes.cend(), app.bytes);
    sd_id128_t expected;
    ASSERT_GE(sd_id128_get_machine_app_specific(app, &expected), 0);

    const QByteArray machineBytes(reinterpret_cast<const char *>(machine.bytes), 16);
    const QByteArray expectedBytes(reinterpret_cast<const char *>(expected.bytes), 16);
    EXPECT_EQ(MachineId::appSpecificId(QUuid::fromRfc4122(machineBytes)), QUuid::fromRfc4122(expectedBytes));
}

} // namespace
