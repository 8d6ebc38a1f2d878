#pragma once

#include "peer/wire/WireJsonWriter.h"

#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <concepts>

namespace verandel {

// A payload an envelope can carry: its type text, its compact JSON, and a strict reader that throws
// JsonDecodeError for anything else.
template <typename T>
concept EnvelopeDecodable
    = std::equality_comparable<T> && requires(const T &value, WireJsonWriter &writer, const QJsonValue &json)
{
    {
        T::envelopeType()
        } -> std::convertible_to<QString>;
    value.writeJson(writer);
    {
        T::fromJson(json)
        } -> std::same_as<T>;
};

// A payload that is sent: it names the computer it is meant for.
template <typename T>
concept EnvelopeEncodable = EnvelopeDecodable<T> && requires(const T &value)
{
    {
        value.recipientMacId
        } -> std::convertible_to<QUuid>;
};

} // namespace verandel
