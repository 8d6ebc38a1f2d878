#include "peer/wire/EnvelopeError.h"

namespace verandel {

EnvelopeError::EnvelopeError(Kind kind, QString first, QString second)
    : m_kind(kind)
    , m_first(std::move(first))
    , m_second(std::move(second))
{
    m_what = description().toUtf8();
}

QString EnvelopeError::description() const
{
    switch (m_kind) {
    case Kind::EncodingFailed: return QStringLiteral("Failed to encode envelope: ") + m_first;
    case Kind::DecodingFailed: return QStringLiteral("Failed to decode envelope: ") + m_first;
    case Kind::UnexpectedType:
        return QStringLiteral("Unexpected envelope type. Expected: ") + m_first + QStringLiteral(", got: ") + m_second;
    }
    return {};
}

} // namespace verandel
