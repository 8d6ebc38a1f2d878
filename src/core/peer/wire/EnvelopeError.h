#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <optional>

namespace verandel {

// Why an envelope could not be encoded or decoded. The codec returns it; it never throws.
class EnvelopeError final : public std::exception
{
public:
    enum class Kind { EncodingFailed, DecodingFailed, UnexpectedType };

    static EnvelopeError encodingFailed(const QString &detail) { return {Kind::EncodingFailed, detail, {}}; }
    static EnvelopeError decodingFailed(const QString &detail) { return {Kind::DecodingFailed, detail, {}}; }
    static EnvelopeError unexpectedType(const QString &expected, const QString &actual)
    {
        return {Kind::UnexpectedType, expected, actual};
    }

    Kind kind() const { return m_kind; }
    // The detail of encodingFailed and decodingFailed, the expected type of unexpectedType.
    const QString &detail() const { return m_first; }
    const QString &expected() const { return m_first; }
    const QString &actual() const { return m_second; }

    QString description() const;
    const char *what() const noexcept override { return m_what.constData(); }

    bool operator==(const EnvelopeError &other) const
    {
        return m_kind == other.m_kind && m_first == other.m_first && m_second == other.m_second;
    }

private:
    EnvelopeError(Kind kind, QString first, QString second);

    Kind m_kind;
    QString m_first;
    QString m_second;
    QByteArray m_what;
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
