#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>
#include <QStringView>
#include <QUuid>

namespace verandel {

// Writes the compact JSON that travels between computers: keys in the order they are written, no
// blanks, and every "/" escaped as "\/" (the escapes count towards the frame size limit, so the
// bytes must match what every peer writes). QJsonDocument sorts keys and leaves slashes alone.
class WireJsonWriter
{
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(QStringView key);

    void string(QStringView value);
    void string(QLatin1StringView value);
    // Upper-case 8-4-4-4-12 text.
    void uuid(const QUuid &value);
    // Shortest text that reads back as the same double; non-finite numbers are not JSON and throw
    // JsonEncodeError.
    void number(double value);
    void integer(qint64 value);

    // key() followed by the value.
    void field(QStringView key, QStringView value)
    {
        this->key(key);
        string(value);
    }

    QByteArray take() { return std::exchange(m_out, {}); }

    static void appendEscaped(QByteArray &out, QStringView text);
    static void appendEscaped(QByteArray &out, QLatin1StringView text);

private:
    void beforeValue();

    QByteArray m_out;
    QList<bool> m_needsComma;
    bool m_afterKey = false;
};

} // namespace verandel
