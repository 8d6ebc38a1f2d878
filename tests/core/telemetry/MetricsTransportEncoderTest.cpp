#include "telemetry/MetricsTransportEncoder.h"
#include "telemetry/TelemetryDeviceIdPolicy.h"

#include "TelemetryTestEvents.h"

#include <gtest/gtest.h>

#include <functional>

using namespace verandel;
using Kind = MetricsTransportEncoderError::Kind;

namespace {

const QString fixed = QStringLiteral("u=0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d&t=1772625605"
                                     "&i=c0ffee00-1234-4567-89ab-cdef01234567"
                                     "&av=1.0.6&ap=linux_x86_64&ov=12.0.0&bt=non_release");
const QString peer = QStringLiteral("&p=11111111-2222-4333-8444-555555555555");
const QString transaction = QStringLiteral("&x=aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee");
const QString device = QStringLiteral("&d=99999999-8888-4777-8666-555544443333&dv=76&dp=615&dc=9536");

const MetricsTransportEncoder encoder(QUrl(QStringLiteral("http://127.0.0.1:9/metrics///")));

QString queryOf(const MetricsEvent &event)
{
    return encoder.encode(event).url().query();
}

std::optional<MetricsTransportEncoderError> failureOf(const MetricsTransportEncoder &with, const MetricsEvent &event)
{
    try {
        with.encode(event);
    } catch (const MetricsTransportEncoderError &error) {
        return error;
    }
    return std::nullopt;
}

TEST(MetricsTransportEncoderTest, GoldenQueryOfEveryEvent)
{
    const struct
    {
        MetricsEventName name;
        QString query;
    } cases[] = {
        {MetricsEventName::MacLinkEstablished, QStringLiteral("v=1&e=ml&") + fixed + peer},
        {MetricsEventName::SharedDeviceAdded, QStringLiteral("v=1&e=sd&") + fixed + device},
        {MetricsEventName::TransferRequested, QStringLiteral("v=1&e=tr&") + fixed + peer + transaction + device},
        {MetricsEventName::DeviceUnpairResult,
         QStringLiteral("v=1&e=ur&") + fixed + device + QStringLiteral("&r=failure&f=peer_unavailable")},
        {MetricsEventName::DevicesReadyForPairingReceived,
         QStringLiteral("v=1&e=rd&") + fixed + peer + QStringLiteral("&c=3")},
        {MetricsEventName::DevicePairResult,
         QStringLiteral("v=1&e=pr&") + fixed + peer + device + QStringLiteral("&r=success")},
        {MetricsEventName::TransferOwnershipUpdated,
         QStringLiteral("v=1&e=ou&") + fixed + transaction + device + QStringLiteral("&o=local")},
    };
    for (const auto &c : cases) {
        const QNetworkRequest request = encoder.encode(test::eventNamed(c.name));
        EXPECT_EQ(request.url().toString(QUrl::FullyEncoded),
                  QStringLiteral("http://127.0.0.1:9/metrics/ba.gif?") + c.query)
            << qPrintable(toString(c.name));
    }
}

TEST(MetricsTransportEncoderTest, BaseURLSlashesAreNormalised)
{
    const QString event = QStringLiteral("?v=1&e=ml&");
    const struct
    {
        QString base;
        QString expected;
    } cases[] = {
        {QStringLiteral("https://metrics.example.test"), QStringLiteral("https://metrics.example.test/ba.gif")},
        {QStringLiteral("https://metrics.example.test/"), QStringLiteral("https://metrics.example.test/ba.gif")},
        {QStringLiteral("https://metrics.example.test/a/b///"),
         QStringLiteral("https://metrics.example.test/a/b/ba.gif")},
        {QStringLiteral("http://127.0.0.1:8080/beacon?old=1"), QStringLiteral("http://127.0.0.1:8080/beacon/ba.gif")},
    };
    for (const auto &c : cases) {
        const MetricsTransportEncoder with{QUrl(c.base)};
        const QString url
            = with.encode(test::eventNamed(MetricsEventName::MacLinkEstablished)).url().toString(QUrl::FullyEncoded);
        EXPECT_TRUE(url.startsWith(c.expected + event)) << qPrintable(url);
    }
    for (const QString &base : {QString(), QStringLiteral("no scheme at all"), QStringLiteral("///")}) {
        const std::optional<MetricsTransportEncoderError> error
            = failureOf(MetricsTransportEncoder{QUrl(base)}, test::eventNamed(MetricsEventName::MacLinkEstablished));
        EXPECT_EQ(error, MetricsTransportEncoderError::invalidRequestURL()) << qPrintable(base);
    }
}

TEST(MetricsTransportEncoderTest, FirstFailureWins)
{
    using Change = std::function<void(MetricsEvent &)>;
    const Change noMetadata = [](MetricsEvent &e) { e.runtimeMetadata.reset(); };
    const Change badApp = [](MetricsEvent &e) { e.runtimeMetadata->appVersion = QStringLiteral("1.0-beta"); };
    const Change badOs = [](MetricsEvent &e) { e.runtimeMetadata->osVersion = QStringLiteral(" 12.0.0"); };
    const Change badInstallation = [](MetricsEvent &e) { e.installationId = QStringLiteral("installation"); };
    const Change badPeer
        = [](MetricsEvent &e) { e.peerInstallationId = QStringLiteral("{") + test::peerId + QStringLiteral("}"); };
    const Change badTransaction = [](MetricsEvent &e) { e.transactionId = QString(); };
    const Change badDevice = [](MetricsEvent &e) { e.telemetryDeviceId = test::deviceId.left(35); };
    const MetricsTransportEncoder noBase{QUrl()};

    const struct
    {
        const char *what;
        const MetricsTransportEncoder &with;
        QList<Change> changes;
        MetricsTransportEncoderError expected;
    } cases[] = {
        {"base URL before metadata", noBase, {noMetadata}, MetricsTransportEncoderError::invalidRequestURL()},
        {"metadata before identifiers",
         encoder,
         {noMetadata, badInstallation},
         MetricsTransportEncoderError::missingRuntimeMetadata()},
        {"app version before OS version",
         encoder,
         {badApp, badOs},
         MetricsTransportEncoderError::invalidRuntimeMetadata(QStringLiteral("av"))},
        {"OS version before identifiers",
         encoder,
         {badOs, badInstallation},
         MetricsTransportEncoderError::invalidRuntimeMetadata(QStringLiteral("ov"))},
        {"installation before the rest",
         encoder,
         {badInstallation, badPeer, badTransaction, badDevice},
         MetricsTransportEncoderError::invalidIdentifier(QStringLiteral("u"))},
        {"peer before transaction",
         encoder,
         {badPeer, badTransaction, badDevice},
         MetricsTransportEncoderError::invalidIdentifier(QStringLiteral("p"))},
        {"transaction before device",
         encoder,
         {badTransaction, badDevice},
         MetricsTransportEncoderError::invalidIdentifier(QStringLiteral("x"))},
        {"device", encoder, {badDevice}, MetricsTransportEncoderError::invalidIdentifier(QStringLiteral("d"))},
    };
    for (const auto &c : cases) {
        MetricsEvent event = test::eventNamed(MetricsEventName::TransferRequested);
        for (const Change &change : c.changes) {
            change(event);
        }
        EXPECT_EQ(failureOf(c.with, event), c.expected) << c.what;
    }
}

TEST(MetricsTransportEncoderTest, ValuesSentAsTheServerExpectsThem)
{
    // A field that does not belong to the event is neither checked nor sent.
    MetricsEvent link = test::eventNamed(MetricsEventName::MacLinkEstablished);
    link.transactionId = QStringLiteral("not an id");
    link.readyDeviceCount = 5;
    EXPECT_FALSE(queryOf(link).contains(QStringLiteral("&x=")));
    EXPECT_FALSE(queryOf(link).contains(QStringLiteral("&c=")));

    // Unknown versions and the placeholder device id still encode.
    MetricsEvent added = MetricsEvent::sharedDeviceAdded(test::installationId, test::occurredAt,
                                                         TelemetryDeviceIdPolicy::preStoragePlaceholder, std::nullopt,
                                                         std::nullopt, std::nullopt);
    added = added.withRuntimeMetadata(MetricsRuntimeMetadata{QStringLiteral("unknown"), MetricsAppPlatform::LinuxArm64,
                                                             QStringLiteral("unknown"), MetricsBuildType::Release});
    EXPECT_TRUE(queryOf(added).endsWith(
        QStringLiteral("&av=unknown&ap=linux_arm64&ov=unknown&bt=release&d=00000000-0000-0000-0000-000000000000")));

    MetricsEvent ready = test::eventNamed(MetricsEventName::DevicesReadyForPairingReceived);
    ready.occurredAt = QDateTime::fromMSecsSinceEpoch(1900, Qt::UTC);
    const struct
    {
        std::optional<int> count;
        QString tail;
    } counts[] = {{1500, QStringLiteral("&c=999")}, {-3, QStringLiteral("&c=0")}, {std::nullopt, peer}};
    for (const auto &c : counts) {
        ready.readyDeviceCount = c.count;
        EXPECT_TRUE(queryOf(ready).endsWith(c.tail)) << qPrintable(queryOf(ready));
        EXPECT_TRUE(queryOf(ready).contains(QStringLiteral("&t=1&")));
    }

    MetricsEvent unpair = test::eventNamed(MetricsEventName::DeviceUnpairResult);
    unpair.failureReason.reset();
    unpair.deviceVendorID.reset();
    unpair.classOfDevice = 4294967295u;
    EXPECT_TRUE(queryOf(unpair).endsWith(QStringLiteral("&dp=615&dc=4294967295&r=failure")));
}

} // namespace
