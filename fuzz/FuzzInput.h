#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace verandel::fuzz {

// Reads a fuzz input as a sequence of small fields, so that one input can describe several values
// (a device's properties, a series of browse reports). Reading past the end gives zeros and empty
// strings, never an error: every input means something.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    { }

    bool atEnd() const { return m_position >= m_size; }

    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_position++]; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() << 8 | byte()); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(u16()) << 16 | u16(); }

    // A string of up to 255 bytes after its one-byte length.
    QByteArray bytes()
    {
        const std::size_t length = std::min<std::size_t>(byte(), m_size - std::min(m_position, m_size));
        const QByteArray result(reinterpret_cast<const char *>(m_data + m_position), static_cast<qsizetype>(length));
        m_position += length;
        return result;
    }
    QString text() { return QString::fromUtf8(bytes()); }

    // Everything not read yet.
    QByteArray rest()
    {
        const std::size_t from = std::min(m_position, m_size);
        m_position = m_size;
        return QByteArray(reinterpret_cast<const char *>(m_data + from), static_cast<qsizetype>(m_size - from));
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace verandel::fuzz
