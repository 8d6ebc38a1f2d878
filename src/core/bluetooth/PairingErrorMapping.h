#pragma once

#include "bluetooth/OperationFailureCategory.h"

#include <QString>

#include <optional>

namespace verandel::PairingErrorMapping {

// HCI status codes (Bluetooth Core, Vol 1 Part F), looked up by the low byte of a code.
// "Unknown Error" for a byte without an entry.
QString hciErrorDescription(qint32 code);
OperationFailureCategory hciFailureCategory(qint32 code);
// "Pairing failed: Error 0x05 (Authentication Failure)": the whole 32-bit pattern in lower-case hex.
QString hciPairingFailureMessage(qint32 code);

// BlueZ reports pairing failures by D-Bus error name ("org.bluez.Error.AuthenticationFailed").
// Nothing for AlreadyExists, which means the device is paired already.
std::optional<OperationFailureCategory> bluezFailureCategory(const QString &errorName);
bool isAlreadyPaired(const QString &errorName);
// "Pairing failed: " + name + " (" + message + ")".
QString bluezPairingFailureMessage(const QString &errorName, const QString &errorMessage);

} // namespace verandel::PairingErrorMapping
