#pragma once

#include "bluetooth/OperationResult.h"
#include "foundation/LoggerFactory.h"

#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

namespace verandel {

class BluezClient;

// Our org.bluez.Agent1 for one pairing: bluetoothd calls it while Device1.Pair runs, and it answers
// without asking the user (fixed PIN, numeric comparison confirmed). It answers only bluetoothd and
// only about the device being paired; anybody else, or any other device, gets org.bluez.Error.Rejected.
class BluetoothPairingDelegate final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.bluez.Agent1")

public:
    static const QString defaultPin;
    static const QString objectPath;
    static const QString capability;

    struct PairingTarget
    {
        QString devicePath;
        std::optional<QString> name;
        QString macAddress;
    };

    BluetoothPairingDelegate(std::optional<QString> pin, PairingTarget target, BluezClient *client,
                             LoggerFactory &loggerFactory, QObject *parent = nullptr);

    // Exports the agent object on the client's connection; false when the path is taken.
    bool exportObject();
    void unexportObject();

    // The PIN as sent: at most 16 bytes of UTF-8, cut at a character boundary.
    QString pinCode() const;
    // Turns the reply of Device1.Pair into the pairing's result, with its log line.
    OperationResult pairingFinished(const QDBusError &error);

public Q_SLOTS:
    QString RequestPinCode(const QDBusObjectPath &device);
    void DisplayPinCode(const QDBusObjectPath &device, const QString &pincode);
    quint32 RequestPasskey(const QDBusObjectPath &device);
    void DisplayPasskey(const QDBusObjectPath &device, quint32 passkey, quint16 entered);
    void RequestConfirmation(const QDBusObjectPath &device, quint32 passkey);
    void RequestAuthorization(const QDBusObjectPath &device);
    void AuthorizeService(const QDBusObjectPath &device, const QString &uuid);
    void Cancel();
    void Release();

private:
    // Builds the reply once the caller has been checked; nothing means reject.
    using Answer = std::function<std::optional<QDBusMessage>(const QDBusMessage &call)>;

    // Defers the reply until the caller is known to be bluetoothd (and, when a device is given,
    // until the device is known to be the one being paired).
    void answerLater(std::optional<QString> devicePath, Answer answer);
    static QCoro::Task<> answer(QPointer<BluetoothPairingDelegate> self, QDBusMessage call,
                                std::optional<QString> devicePath, Answer answer);
    QString deviceLabel() const;

    std::optional<QString> m_pin;
    PairingTarget m_target;
    QPointer<BluezClient> m_client;
    LoggerPtr m_logger;
    bool m_exported = false;
    // bluetoothd calls DisplayPasskey again on every key the user presses.
    std::optional<quint32> m_displayedPasskey;
};

} // namespace verandel
