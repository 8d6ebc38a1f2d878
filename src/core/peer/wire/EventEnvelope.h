#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace verandel {

// The unit of peer communication: who sends what to whom, and when. EventEnvelope<QByteArray> holds
// the payload's own JSON bytes, not yet decoded (RawEventEnvelope).
template <typename T>
struct EventEnvelope
{
    QUuid id;
    // Ties an answer to a request; none of the envelopes this system builds carries one.
    std::optional<QUuid> correlationId;
    QUuid senderMacId;
    QUuid recipientMacId;
    QString type;
    T payload;
    QDateTime createdAt;

    bool operator==(const EventEnvelope &) const = default;
};

using RawEventEnvelope = EventEnvelope<QByteArray>;

} // namespace verandel
