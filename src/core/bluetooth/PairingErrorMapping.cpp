#include "bluetooth/PairingErrorMapping.h"

#include <QHash>

namespace verandel::PairingErrorMapping {

namespace {

const QHash<quint8, QString> &hciDescriptions()
{
    static const QHash<quint8, QString> table{
        {0x01, QStringLiteral("Unknown HCI Command")},
        {0x02, QStringLiteral("No Connection")},
        {0x03, QStringLiteral("Hardware Failure")},
        {0x04, QStringLiteral("Page Timeout")},
        {0x05, QStringLiteral("Authentication Failure")},
        {0x06, QStringLiteral("Key Missing")},
        {0x07, QStringLiteral("Memory Full")},
        {0x08, QStringLiteral("Connection Timeout")},
        {0x09, QStringLiteral("Max Number of Connections")},
        {0x0A, QStringLiteral("Max Number of SCO Connections to a Device")},
        {0x0B, QStringLiteral("ACL Connection Already Exists")},
        {0x0C, QStringLiteral("Command Disallowed")},
        {0x0D, QStringLiteral("Host Rejected Limited Resources")},
        {0x0E, QStringLiteral("Host Rejected Security Reasons")},
        {0x0F, QStringLiteral("Host Rejected Remote Device Is Personal")},
        {0x10, QStringLiteral("Host Timeout")},
        {0x11, QStringLiteral("Unsupported Feature or Parameter Value")},
        {0x12, QStringLiteral("Invalid HCI Command Parameters")},
        {0x13, QStringLiteral("Other End Terminated Connection User Ended")},
        {0x14, QStringLiteral("Other End Terminated Connection Low Resources")},
        {0x15, QStringLiteral("Other End Terminated Connection About to Power Off")},
        {0x16, QStringLiteral("Connection Terminated by Local Host")},
        {0x17, QStringLiteral("Repeated Attempts")},
        {0x18, QStringLiteral("Pairing Not Allowed")},
        {0x19, QStringLiteral("Unknown LMP PDU")},
        {0x1A, QStringLiteral("Unsupported Remote Feature")},
        {0x1B, QStringLiteral("SCO Offset Rejected")},
        {0x1C, QStringLiteral("SCO Interval Rejected")},
        {0x1D, QStringLiteral("SCO Air Mode Rejected")},
        {0x1E, QStringLiteral("Invalid LMP Parameters")},
        {0x1F, QStringLiteral("Unspecified Error")},
        {0x20, QStringLiteral("Unsupported LMP Parameter Value")},
        {0x21, QStringLiteral("Role Change Not Allowed")},
        {0x22, QStringLiteral("LMP Response Timeout")},
        {0x23, QStringLiteral("LMP Error Transaction Collision")},
        {0x24, QStringLiteral("LMP PDU Not Allowed")},
        {0x25, QStringLiteral("Encryption Mode Not Acceptable")},
        {0x26, QStringLiteral("Unit Key Used")},
        {0x27, QStringLiteral("QoS Not Supported")},
        {0x28, QStringLiteral("Instant Passed")},
        {0x29, QStringLiteral("Pairing With Unit Key Not Supported")},
        {0x2A, QStringLiteral("Different Transaction Collision")},
        {0x2C, QStringLiteral("QoS Unacceptable Parameter")},
        {0x2D, QStringLiteral("QoS Rejected")},
        {0x2E, QStringLiteral("Channel Classification Not Supported")},
        {0x2F, QStringLiteral("Insufficient Security")},
        {0x30, QStringLiteral("Parameter Out of Mandatory Range")},
        {0x31, QStringLiteral("Role Switch Pending")},
        {0x34, QStringLiteral("Reserved Slot Violation")},
        {0x35, QStringLiteral("Role Switch Failed")},
        {0x36, QStringLiteral("Extended Inquiry Response Too Large")},
        {0x37, QStringLiteral("Secure Simple Pairing Not Supported by Host")},
        {0x38, QStringLiteral("Host Busy Pairing")},
        {0x39, QStringLiteral("Connection Rejected Due to No Suitable Channel Found")},
        {0x3A, QStringLiteral("Controller Busy")},
        {0x3B, QStringLiteral("Unacceptable Connection Interval")},
        {0x3C, QStringLiteral("Directed Advertising Timeout")},
        {0x3D, QStringLiteral("Connection Terminated Due to MIC Failure")},
        {0x3E, QStringLiteral("Connection Failed to Be Established")},
        {0x3F, QStringLiteral("MAC Connection Failed")},
        {0x40, QStringLiteral("Coarse Clock Adjustment Rejected")},
    };
    return table;
}

quint8 lowByte(qint32 code)
{
    return static_cast<quint8>(static_cast<quint32>(code) & 0xFFu);
}

const QString bluezErrorPrefix = QStringLiteral("org.bluez.Error.");

} // namespace

QString hciErrorDescription(qint32 code)
{
    return hciDescriptions().value(lowByte(code), QStringLiteral("Unknown Error"));
}

OperationFailureCategory hciFailureCategory(qint32 code)
{
    switch (lowByte(code)) {
    case 0x04:
    case 0x08:
    case 0x10:
    case 0x22: return OperationFailureCategory::Timeout;
    case 0x05:
    case 0x0E:
    case 0x18: return OperationFailureCategory::PermissionDenied;
    case 0x11: return OperationFailureCategory::UnsupportedDevice;
    case 0x12: return OperationFailureCategory::ValidationFailed;
    case 0x13:
    case 0x16: return OperationFailureCategory::Cancelled;
    case 0x39: return OperationFailureCategory::NetworkUnavailable;
    default: return OperationFailureCategory::Unknown;
    }
}

QString hciPairingFailureMessage(qint32 code)
{
    return QStringLiteral("Pairing failed: Error 0x%1 (%2)")
        .arg(QString::number(static_cast<quint32>(code), 16).rightJustified(2, QLatin1Char('0')),
             hciErrorDescription(code));
}

std::optional<OperationFailureCategory> bluezFailureCategory(const QString &errorName)
{
    if (isAlreadyPaired(errorName)) {
        return std::nullopt;
    }
    static const QHash<QString, OperationFailureCategory> table{
        {QStringLiteral("org.bluez.Error.AuthenticationFailed"), OperationFailureCategory::PermissionDenied},
        {QStringLiteral("org.bluez.Error.AuthenticationRejected"), OperationFailureCategory::PermissionDenied},
        {QStringLiteral("org.bluez.Error.Rejected"), OperationFailureCategory::PermissionDenied},
        {QStringLiteral("org.bluez.Error.AuthenticationCanceled"), OperationFailureCategory::Cancelled},
        {QStringLiteral("org.bluez.Error.AuthenticationTimeout"), OperationFailureCategory::Timeout},
        {QStringLiteral("org.bluez.Error.ConnectionAttemptFailed"), OperationFailureCategory::Timeout},
        {QStringLiteral("org.freedesktop.DBus.Error.NoReply"), OperationFailureCategory::Timeout},
        {QStringLiteral("org.bluez.Error.InvalidArguments"), OperationFailureCategory::ValidationFailed},
        {QStringLiteral("org.bluez.Error.DoesNotExist"), OperationFailureCategory::ValidationFailed},
        {QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"), OperationFailureCategory::ValidationFailed},
        {QStringLiteral("org.bluez.Error.NotSupported"), OperationFailureCategory::UnsupportedDevice},
        {QStringLiteral("org.bluez.Error.NotReady"), OperationFailureCategory::NetworkUnavailable},
    };
    return table.value(errorName, OperationFailureCategory::Unknown);
}

bool isAlreadyPaired(const QString &errorName)
{
    return errorName == bluezErrorPrefix + QStringLiteral("AlreadyExists");
}

QString bluezPairingFailureMessage(const QString &errorName, const QString &errorMessage)
{
    return QStringLiteral("Pairing failed: ") + errorName + QStringLiteral(" (") + errorMessage + QLatin1Char(')');
}

} // namespace verandel::PairingErrorMapping
