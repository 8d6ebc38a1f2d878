#pragma once

#include "linking/ConnectionRequest.h"
#include "records/ConnectedMac.h"
#include "records/Device.h"
#include "records/DeviceState.h"
#include "records/DiscoverableMac.h"

#include <QList>

namespace verandel::test {

// Fixed computers and requests the windows' tests and pictures are drawn with: the same names, ids and
// times on every run.
class PreviewFixtures
{
public:
    PreviewFixtures() = delete;

    static const QDateTime &now();

    // A linked computer with a fixed id derived from `index` (1, 2, …). Computer names are cleaned as
    // names received from another computer are (control and bidi characters dropped, trimmed, at most
    // 63 bytes); device names are cleaned where they are shown, as the program does.
    static ConnectedMac linkedMac(int index, const QString &name);
    // "Design Studio", "Living Room" and "Workshop".
    static QList<ConnectedMac> linkedMacs();

    // A shared device with a fixed address derived from `index` ("AA:BB:CC:00:00:01", …).
    static DeviceState sharedDevice(int index, const QString &name,
                                    ConnectionStatus status = ConnectionStatus::Connected,
                                    DeviceType type = DeviceType::Other);
    // The same device, not allowed for transfer.
    static DeviceState localDevice(int index, const QString &name,
                                   ConnectionStatus status = ConnectionStatus::Connected);

    // A nearby computer with a fixed id derived from `index`, advertising `code` (none: no code).
    static DiscoverableMac nearbyMac(int index, const QString &name, std::optional<QString> code);
    // "Studio" (code K7Q2ZX), "Kitchen PC" (code 4MW9PA) and "Office" (code HB35TR).
    static QList<DiscoverableMac> nearbyMacs();

    // A request with the computer, made `secondsAfterNow` after now().
    static ConnectionRequest request(const QUuid &otherMacId, ConnectionRequestState state,
                                     ConnectionDirection direction, int secondsAfterNow = 0);

    // A paired device with a fixed address derived from `index` ("A4:83:E7:00:00:01", …), with no
    // detection attributes: its name decides how it is classified.
    static Device device(int index, const QString &name);
    // "Magic Keyboard", "Magic Trackpad", "Magic Mouse" and "MX Keys" (not supported).
    static QList<Device> devices();
};

} // namespace verandel::test
