#include "records/DeviceClassifier.h"

#include <QJsonObject>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

struct ClassifierCase
{
    const char *label;
    std::optional<DeviceDetectionAttributes> attributes;
    const char16_t *name;
    DeviceType expected;
};

class DeviceClassifierTest : public ::testing::TestWithParam<ClassifierCase>
{ };

TEST_P(DeviceClassifierTest, Classifies)
{
    const ClassifierCase &c = GetParam();
    const Device device(QStringLiteral("aa:bb:cc:dd:ee:ff"), QString::fromUtf16(c.name), QStringLiteral("T"),
                        c.attributes, QDateTime::currentDateTimeUtc());
    const DeviceClassifier classifier;
    EXPECT_EQ(classifier.classify(device), c.expected) << c.label;
    EXPECT_EQ(classifier.classifyAndCheckSupport(device),
              (DeviceClassification{c.expected, c.expected != DeviceType::Other}))
        << c.label;
}

DeviceDetectionAttributes attributes(std::optional<quint16> vendor, std::optional<quint16> product,
                                     std::optional<quint32> classOfDevice)
{
    return DeviceDetectionAttributes{vendor, product, classOfDevice, {}};
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeviceClassifierTest,
    ::testing::Values(
        ClassifierCase{"product id wins", attributes(0x05AC, 0x0265, 0x002540), u"Magic Mouse",
                       DeviceType::MagicTrackpad},
        ClassifierCase{"apple keyboard", attributes(0x05AC, 0x026C, std::nullopt), u"", DeviceType::MagicKeyboard},
        ClassifierCase{"apple mouse", attributes(0x05AC, 0x0269, std::nullopt), u"", DeviceType::MagicMouse},
        ClassifierCase{"no product id, pointing", attributes(0x05AC, std::nullopt, 0x000580), u"",
                       DeviceType::MagicTrackpad},
        ClassifierCase{"other vendor, combined", attributes(0x046D, 0x026C, 0x0005C0), u"", DeviceType::MagicKeyboard},
        ClassifierCase{"bluetooth SIG vendor id", attributes(0x004C, 0x0269, std::nullopt), u"Mouse",
                       DeviceType::Other},
        ClassifierCase{"peripheral keyboard bit", attributes(std::nullopt, std::nullopt, 0x000540), u"Magic Mouse",
                       DeviceType::MagicKeyboard},
        ClassifierCase{"unknown apple product", attributes(0x05AC, 0x0001, 0x000500), u"magic trackpad 2",
                       DeviceType::MagicTrackpad},
        ClassifierCase{"peripheral, no bits, name", attributes(std::nullopt, std::nullopt, 0x000500),
                       u"  Anna's MAGIC MOUSE 2\n", DeviceType::MagicMouse},
        ClassifierCase{"hyphenated name", attributes(std::nullopt, std::nullopt, 0x000500), u"Magic-Mouse",
                       DeviceType::Other},
        ClassifierCase{"audio major class", attributes(std::nullopt, std::nullopt, 0x000404), u"Headphones",
                       DeviceType::Other},
        ClassifierCase{"audio major class, keyboard name", attributes(std::nullopt, std::nullopt, 0x000404),
                       u"Magic Keyboard", DeviceType::MagicKeyboard},
        ClassifierCase{"no attributes, empty name", std::nullopt, u"", DeviceType::Other},
        ClassifierCase{"no attributes, name", std::nullopt, u"My Magic Keyboard", DeviceType::MagicKeyboard}));

TEST(DeviceClassifierNameTest, NameFormsAndSupport)
{
    const DeviceClassifier classifier;
    EXPECT_EQ(classifier.classifyAndCheckSupport(QStringLiteral("Magic Trackpad")),
              (DeviceClassification{DeviceType::MagicTrackpad, true}));
    EXPECT_EQ(classifier.classifyAndCheckSupport(QStringLiteral("Trackpad")),
              (DeviceClassification{DeviceType::Other, false}));
    EXPECT_TRUE(classifier.isSupported(QStringLiteral("magic keyboard with touch id")));
    EXPECT_FALSE(classifier.isSupported(DeviceType::Other));
}

TEST(DeviceClassifierNameTest, StoredLegacyTypePlaysNoPart)
{
    const Device device = Device::fromJson(QJsonObject{
        {QStringLiteral("macAddress"), QStringLiteral("m")},
        {QStringLiteral("name"), QStringLiteral("Speaker")},
        {QStringLiteral("telemetryDeviceId"), QStringLiteral("t")},
        {QStringLiteral("deviceType"), QStringLiteral("magic_mouse")},
        {QStringLiteral("timestamp"), QStringLiteral("2026-03-01T10:00:00Z")},
    });
    EXPECT_EQ(DeviceClassifier().classify(device), DeviceType::Other);
}

} // namespace
