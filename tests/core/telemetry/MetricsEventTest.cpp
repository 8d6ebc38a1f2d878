#include "telemetry/MetricsEvent.h"
#include "foundation/JsonFields.h"
#include "telemetry/TelemetryDeviceIdPolicy.h"

#include "TelemetryTestEvents.h"
#include "support/StoreFixture.h"

#include <QJsonDocument>

using namespace verandel;

namespace {

QJsonObject parse(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

QJsonObject validObject()
{
    return parse(R"({"id": "C0FFEE00-1234-4567-89AB-CDEF01234567", "name": "device_pair_result",
                     "installationId": "x", "occurredAt": "2026-03-04T12:00:05Z"})");
}

class MetricsEventStoreTest : public test::StoreFixture
{ };

TEST(MetricsEventTest, FactoriesSetTheirFieldsOnlyAndLeaveMetadataOut)
{
    const MetricsEvent link = MetricsEvent::macLinkEstablished(test::installationId, test::occurredAt, test::peerId);
    EXPECT_EQ(link.name, MetricsEventName::MacLinkEstablished);
    EXPECT_EQ(link.peerInstallationId, test::peerId);
    EXPECT_EQ(link.runtimeMetadata, std::nullopt);
    EXPECT_EQ(link.toJson().toObject().keys(),
              (QStringList{QStringLiteral("id"), QStringLiteral("installationId"), QStringLiteral("name"),
                           QStringLiteral("occurredAt"), QStringLiteral("peerInstallationId")}));
    EXPECT_NE(MetricsEvent::macLinkEstablished(test::installationId, test::occurredAt, test::peerId).id, link.id);

    const MetricsEvent ready
        = MetricsEvent::devicesReadyForPairingReceived(test::installationId, test::occurredAt, test::peerId, 4);
    EXPECT_EQ(ready.readyDeviceCount, 4);
    EXPECT_EQ(ready.transactionId, std::nullopt);
    EXPECT_EQ(ready.telemetryDeviceId, std::nullopt);

    const MetricsEvent unpair = MetricsEvent::deviceUnpairResult(test::installationId, test::occurredAt, test::deviceId,
                                                                 MetricsResult::Success, std::nullopt, std::nullopt,
                                                                 std::nullopt, std::nullopt);
    EXPECT_EQ(unpair.toJson().toObject().keys().size(), 6);

    // The enriched copy keeps the id, so the two are different values of the same event.
    const MetricsEvent enriched = link.withRuntimeMetadata(test::sampleMetadata());
    EXPECT_EQ(enriched.id, link.id);
    EXPECT_NE(enriched, link);
    EXPECT_EQ(enriched.runtimeMetadata, test::sampleMetadata());
}

TEST_F(MetricsEventStoreTest, RoundTripThroughTheStoreKeepsWholeSeconds)
{
    for (MetricsEventName name : allMetricsEventNames) {
        const MetricsEvent event = test::eventNamed(name);
        const QString file = m_storage->getFileURL(QStringLiteral("event.json"));
        m_storage->writeJSONSync(event, file);
        const MetricsEvent read = m_storage->readJSONSync<MetricsEvent>(file);

        // The document has no fraction of a second: equal once the written time has none either.
        EXPECT_NE(read, event) << qPrintable(toString(name));
        EXPECT_EQ(read.occurredAt, QDateTime::fromSecsSinceEpoch(test::occurredAt.toSecsSinceEpoch(), Qt::UTC));
        MetricsEvent whole = event;
        whole.occurredAt = read.occurredAt;
        EXPECT_EQ(read, whole) << qPrintable(toString(name));
    }
    EXPECT_TRUE(contents(QStringLiteral("event.json")).contains("\"occurredAt\": \"2026-03-04T12:00:05Z\""));
    EXPECT_TRUE(contents(QStringLiteral("event.json")).contains("\"appPlatform\": \"linux_x86_64\""));
}

TEST(MetricsEventTest, ReadingIsStrict)
{
    struct Case
    {
        const char *what;
        QString key;
        QJsonValue value; // undefined: remove the key
        bool readable;
    };
    const QJsonValue missing = QJsonValue(QJsonValue::Undefined);
    const QJsonObject metadata = test::sampleMetadata().toJson().toObject();
    QJsonObject metadataWithoutBuildType = metadata;
    metadataWithoutBuildType.remove(QStringLiteral("buildType"));
    QJsonObject macMetadata = metadata;
    macMetadata.insert(QStringLiteral("appPlatform"), QStringLiteral("mac_intel"));

    const Case cases[] = {
        {"the valid object", QStringLiteral("id"), validObject().value(QStringLiteral("id")), true},
        {"no occurredAt", QStringLiteral("occurredAt"), missing, false},
        {"no id", QStringLiteral("id"), missing, false},
        {"no installationId", QStringLiteral("installationId"), missing, false},
        {"occurredAt without a zone", QStringLiteral("occurredAt"), QStringLiteral("2026-03-04T12:00:05"), false},
        {"an unknown name", QStringLiteral("name"), QStringLiteral("device_paired"), false},
        {"an unknown result", QStringLiteral("result"), QStringLiteral("maybe"), false},
        {"a known result", QStringLiteral("result"), QStringLiteral("cancelled"), true},
        {"an unknown failure reason", QStringLiteral("failureReason"), QStringLiteral("bad_luck"), false},
        {"an unknown ownership", QStringLiteral("ownershipState"), QStringLiteral("shared"), false},
        {"a result of the wrong type", QStringLiteral("result"), 1, false},
        {"the largest vendor id", QStringLiteral("deviceVendorID"), 65535, true},
        {"a vendor id above 16 bits", QStringLiteral("deviceVendorID"), 65536, false},
        {"a negative product id", QStringLiteral("deviceProductID"), -1, false},
        {"a vendor id as text", QStringLiteral("deviceVendorID"), QStringLiteral("76"), false},
        {"the largest class of device", QStringLiteral("classOfDevice"), 4294967295.0, true},
        {"a class of device above 32 bits", QStringLiteral("classOfDevice"), 4294967296.0, false},
        {"a fractional count", QStringLiteral("readyDeviceCount"), 1.5, false},
        {"a negative count", QStringLiteral("readyDeviceCount"), -2, true},
        {"a count above 32 bits", QStringLiteral("readyDeviceCount"), 3000000000.0, false},
        {"a peer id that is a number", QStringLiteral("peerInstallationId"), 7, false},
        {"complete metadata", QStringLiteral("runtimeMetadata"), metadata, true},
        {"metadata without build type", QStringLiteral("runtimeMetadata"), metadataWithoutBuildType, false},
        {"metadata naming a Mac", QStringLiteral("runtimeMetadata"), macMetadata, false},
    };
    for (const Case &c : cases) {
        QJsonObject object = validObject();
        if (c.value.isUndefined()) {
            object.remove(c.key);
        } else {
            object.insert(c.key, c.value);
        }
        bool readable = true;
        try {
            MetricsEvent::fromJson(object);
        } catch (const JsonDecodeError &) {
            readable = false;
        }
        EXPECT_EQ(readable, c.readable) << c.what;
    }
}

TEST(MetricsEventTest, TelemetryDeviceIds)
{
    const QString first = TelemetryDeviceIdPolicy::newStoredDeviceId();
    EXPECT_EQ(first, first.toLower());
    EXPECT_TRUE(json::uuidFromString(first).has_value());
    EXPECT_NE(TelemetryDeviceIdPolicy::newStoredDeviceId(), first);
    EXPECT_EQ(json::uuidFromString(TelemetryDeviceIdPolicy::preStoragePlaceholder), QUuid());
}

} // namespace
