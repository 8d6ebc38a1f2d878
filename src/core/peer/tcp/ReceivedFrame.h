#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QUuid>

namespace verandel {

// One frame as the listener hands it on: the sender id from the envelope inside, the envelope JSON
// exactly as received (without the length prefix), and the address the connection came from.
struct ReceivedFrame
{
    QUuid senderMacId;
    QByteArray payload;
    QHostAddress sourceAddress;

    bool operator==(const ReceivedFrame &other) const
    {
        return senderMacId == other.senderMacId && payload == other.payload && sourceAddress == other.sourceAddress;
    }
};

} // namespace verandel
