#include "peer/wire/TransferDeviceDescriptor.h"

#include "foundation/JsonFields.h"
#include "records/Device.h"

#include <limits>

namespace verandel {

TransferDeviceDescriptor::TransferDeviceDescriptor(QString macAddress, QString telemetryDeviceId)
    : TransferDeviceDescriptor(std::move(macAddress), std::move(telemetryDeviceId), std::nullopt, std::nullopt,
                               std::nullopt)
{ }

TransferDeviceDescriptor::TransferDeviceDescriptor(QString macAddress, QString telemetryDeviceId,
                                                   std::optional<quint16> deviceVendorID,
                                                   std::optional<quint16> deviceProductID,
                                                   std::optional<quint32> classOfDevice)
    : macAddress(std::move(macAddress))
    , telemetryDeviceId(telemetryDeviceId.toLower())
    , deviceVendorID(deviceVendorID)
    , deviceProductID(deviceProductID)
    , classOfDevice(classOfDevice)
{ }

TransferDeviceDescriptor TransferDeviceDescriptor::fromDevice(const Device &device)
{
    const std::optional<DeviceDetectionAttributes> &attributes = device.detectionAttributes();
    if (!attributes) {
        return TransferDeviceDescriptor(device.macAddress(), device.telemetryDeviceId());
    }
    return TransferDeviceDescriptor(device.macAddress(), device.telemetryDeviceId(), attributes->vendorID,
                                    attributes->productID, attributes->classOfDevice);
}

QStringList TransferDeviceDescriptor::addressesOf(const QList<TransferDeviceDescriptor> &descriptors)
{
    QStringList addresses;
    addresses.reserve(descriptors.size());
    for (const TransferDeviceDescriptor &descriptor : descriptors) {
        addresses.append(descriptor.macAddress);
    }
    return addresses;
}

void TransferDeviceDescriptor::writeJson(WireJsonWriter &writer) const
{
    writer.beginObject();
    writer.field(u"macAddress", macAddress);
    writer.field(u"telemetryDeviceId", telemetryDeviceId);
    if (deviceVendorID) {
        writer.key(u"deviceVendorID");
        writer.integer(*deviceVendorID);
    }
    if (deviceProductID) {
        writer.key(u"deviceProductID");
        writer.integer(*deviceProductID);
    }
    if (classOfDevice) {
        writer.key(u"classOfDevice");
        writer.integer(*classOfDevice);
    }
    writer.endObject();
}

TransferDeviceDescriptor TransferDeviceDescriptor::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("TransferDeviceDescriptor"));
    TransferDeviceDescriptor descriptor;
    descriptor.macAddress = json::requireString(object, QStringLiteral("macAddress"));
    descriptor.telemetryDeviceId = json::requireString(object, QStringLiteral("telemetryDeviceId"));
    constexpr qint64 maxU16 = std::numeric_limits<quint16>::max();
    constexpr qint64 maxU32 = std::numeric_limits<quint32>::max();
    if (auto vendor = json::optionalInteger(object, QStringLiteral("deviceVendorID"), 0, maxU16)) {
        descriptor.deviceVendorID = static_cast<quint16>(*vendor);
    }
    if (auto product = json::optionalInteger(object, QStringLiteral("deviceProductID"), 0, maxU16)) {
        descriptor.deviceProductID = static_cast<quint16>(*product);
    }
    if (auto cod = json::optionalInteger(object, QStringLiteral("classOfDevice"), 0, maxU32)) {
        descriptor.classOfDevice = static_cast<quint32>(*cod);
    }
    return descriptor;
}

} // namespace verandel
