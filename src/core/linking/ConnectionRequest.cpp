#include "linking/ConnectionRequest.h"

#include "foundation/JsonDecodeError.h"
#include "foundation/JsonFields.h"

#include <QHashFunctions>
#include <QJsonObject>

namespace verandel {

namespace {

template <typename T>
T requireEnum(const QJsonObject &object, const QString &key, std::optional<T> (*fromString)(QStringView))
{
    const QString text = json::requireString(object, key);
    const std::optional<T> value = fromString(text);
    if (!value) {
        throw JsonDecodeError(QStringLiteral("\"%1\" holds an unknown value: %2").arg(key, text));
    }
    return *value;
}

} // namespace

ConnectionRequest::ConnectionRequest(QUuid id, QUuid otherMacId, QDateTime timestamp, QString securityCode,
                                     ConnectionRequestState state, ConnectionDirection direction)
    : m_id(id)
    , m_otherMacId(otherMacId)
    , m_timestamp(std::move(timestamp))
    , m_securityCode(std::move(securityCode))
    , m_state(state)
    , m_direction(direction)
{ }

ConnectionRequest ConnectionRequest::withState(ConnectionRequestState state) const
{
    ConnectionRequest copy = *this;
    copy.m_state = state;
    return copy;
}

QJsonValue ConnectionRequest::toJson() const
{
    return QJsonObject{
        {QStringLiteral("id"), json::uuidToString(m_id)},
        {QStringLiteral("otherMacId"), json::uuidToString(m_otherMacId)},
        {QStringLiteral("timestamp"), json::toIso8601(m_timestamp)},
        {QStringLiteral("securityCode"), m_securityCode},
        {QStringLiteral("state"), toString(m_state)},
        {QStringLiteral("direction"), toString(m_direction)},
    };
}

ConnectionRequest ConnectionRequest::fromJson(const QJsonValue &json)
{
    const QJsonObject object = json::requireObject(json, QStringLiteral("connection request"));
    return ConnectionRequest(json::requireUuid(object, QStringLiteral("id")),
                             json::requireUuid(object, QStringLiteral("otherMacId")),
                             json::requireDate(object, QStringLiteral("timestamp")),
                             json::requireString(object, QStringLiteral("securityCode")),
                             requireEnum(object, QStringLiteral("state"), &connectionRequestStateFromString),
                             requireEnum(object, QStringLiteral("direction"), &connectionDirectionFromString));
}

size_t qHash(const ConnectionRequest &request, size_t seed)
{
    return qHashMulti(seed, request.id(), request.otherMacId(), request.timestamp(), request.securityCode(),
                      toString(request.state()), toString(request.direction()));
}

} // namespace verandel
