#pragma once

#include "foundation/KindError.h"

#include <optional>

namespace verandel {

struct EnvelopeErrorCases
{
    enum class Kind { EncodingFailed, DecodingFailed, UnexpectedType };
    struct Payload
    {
        // The detail of encodingFailed and decodingFailed, the expected type of unexpectedType.
        QString first;
        QString second;
        bool operator==(const Payload &) const = default;
    };
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::EncodingFailed, u"Failed to encode envelope: %1"},
        {Kind::DecodingFailed, u"Failed to decode envelope: %1"},
        {Kind::UnexpectedType, u"Unexpected envelope type. Expected: %1, got: %2"},
    });
    static QStringList arguments(const Payload &payload) { return {payload.first, payload.second}; }
};

// Why an envelope could not be encoded or decoded. The codec returns it; it never throws.
class EnvelopeError final : public KindError<EnvelopeErrorCases>
{
public:
    static EnvelopeError encodingFailed(const QString &detail) { return {Kind::EncodingFailed, {detail, {}}}; }
    static EnvelopeError decodingFailed(const QString &detail) { return {Kind::DecodingFailed, {detail, {}}}; }
    static EnvelopeError unexpectedType(const QString &expected, const QString &actual)
    {
        return {Kind::UnexpectedType, {expected, actual}};
    }

    const QString &detail() const { return payload().first; }
    const QString &expected() const { return payload().first; }
    const QString &actual() const { return payload().second; }

    using KindError::description;

private:
    using KindError::KindError;
};

// A codec answer: the value, or why there is none.
template <typename T>
class EnvelopeResult
{
public:
    EnvelopeResult(T value)
        : m_value(std::move(value))
    { }
    EnvelopeResult(EnvelopeError error)
        : m_error(std::move(error))
    { }

    bool hasValue() const { return m_value.has_value(); }
    explicit operator bool() const { return hasValue(); }
    const T &value() const & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    const T *operator->() const { return &*m_value; }
    const EnvelopeError &error() const { return *m_error; }

private:
    std::optional<T> m_value;
    std::optional<EnvelopeError> m_error;
};

} // namespace verandel
