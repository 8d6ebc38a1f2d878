#include "records/DeviceClassifier.h"

namespace verandel {

namespace {

// USB-IF vendor id of Apple; see DeviceDetectionAttributes for where it comes from on Linux.
constexpr quint16 appleVendorID = 0x05AC;
constexpr quint16 keyboardProductID = 0x026C;
constexpr quint16 trackpadProductID = 0x0265;
constexpr quint16 mouseProductID = 0x0269;

constexpr quint32 majorDeviceClassMask = 0x1F00;
constexpr quint32 peripheralMajorClass = 0x0500;

std::optional<DeviceType> byProductID(const DeviceDetectionAttributes &attributes)
{
    if (attributes.vendorID != appleVendorID || !attributes.productID) {
        return std::nullopt;
    }
    switch (*attributes.productID) {
    case keyboardProductID: return DeviceType::MagicKeyboard;
    case trackpadProductID: return DeviceType::MagicTrackpad;
    case mouseProductID: return DeviceType::MagicMouse;
    default: return std::nullopt;
    }
}

std::optional<DeviceType> byClassOfDevice(const DeviceDetectionAttributes &attributes)
{
    if (!attributes.classOfDevice || (*attributes.classOfDevice & majorDeviceClassMask) != peripheralMajorClass) {
        return std::nullopt;
    }
    // Bits 6-7 of a peripheral: keyboard, pointing device, or both.
    switch ((*attributes.classOfDevice >> 6) & 0x3) {
    case 1: return DeviceType::MagicKeyboard;
    case 2: return DeviceType::MagicTrackpad;
    case 3: return DeviceType::MagicKeyboard;
    default: return std::nullopt;
    }
}

} // namespace

DeviceType DeviceClassifier::classifyDevice(const QString &name) const
{
    const QString lowered = name.toLower().trimmed();
    if (lowered.contains(u"magic keyboard")) {
        return DeviceType::MagicKeyboard;
    }
    if (lowered.contains(u"magic trackpad")) {
        return DeviceType::MagicTrackpad;
    }
    if (lowered.contains(u"magic mouse")) {
        return DeviceType::MagicMouse;
    }
    return DeviceType::Other;
}

DeviceType DeviceClassifier::classify(const Device &device) const
{
    if (const std::optional<DeviceDetectionAttributes> &attributes = device.detectionAttributes()) {
        if (const std::optional<DeviceType> type = byProductID(*attributes)) {
            return *type;
        }
        if (const std::optional<DeviceType> type = byClassOfDevice(*attributes)) {
            return *type;
        }
    }
    return classifyDevice(device.name());
}

bool DeviceClassifier::isSupported(DeviceType type) const
{
    return verandel::isSupported(type);
}

bool DeviceClassifier::isSupported(const QString &deviceName) const
{
    return isSupported(classifyDevice(deviceName));
}

DeviceClassification DeviceClassifier::classifyAndCheckSupport(const QString &deviceName) const
{
    const DeviceType type = classifyDevice(deviceName);
    return {type, isSupported(type)};
}

DeviceClassification DeviceClassifier::classifyAndCheckSupport(const Device &device) const
{
    const DeviceType type = classify(device);
    return {type, isSupported(type)};
}

} // namespace verandel
