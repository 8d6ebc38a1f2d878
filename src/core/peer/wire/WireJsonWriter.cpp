#include "peer/wire/WireJsonWriter.h"

#include "foundation/JsonDecodeError.h"

#include <charconv>
#include <cmath>

namespace verandel {

void WireJsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_needsComma.isEmpty()) {
        if (m_needsComma.last()) {
            m_out.append(',');
        }
        m_needsComma.last() = true;
    }
}

void WireJsonWriter::beginObject()
{
    beforeValue();
    m_out.append('{');
    m_needsComma.append(false);
}

void WireJsonWriter::endObject()
{
    m_out.append('}');
    m_needsComma.removeLast();
}

void WireJsonWriter::beginArray()
{
    beforeValue();
    m_out.append('[');
    m_needsComma.append(false);
}

void WireJsonWriter::endArray()
{
    m_out.append(']');
    m_needsComma.removeLast();
}

void WireJsonWriter::key(QStringView key)
{
    beforeValue();
    appendEscaped(m_out, key);
    m_out.append(':');
    m_afterKey = true;
}

void WireJsonWriter::string(QStringView value)
{
    beforeValue();
    appendEscaped(m_out, value);
}

void WireJsonWriter::number(double value)
{
    if (!std::isfinite(value)) {
        throw JsonEncodeError(QStringLiteral("Unable to encode %1 directly in JSON").arg(value));
    }
    beforeValue();
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_out.append(buffer, result.ptr - buffer);
}

void WireJsonWriter::integer(qint64 value)
{
    beforeValue();
    m_out.append(QByteArray::number(value));
}

void WireJsonWriter::appendEscaped(QByteArray &out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '/': out.append("\\/"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (c < 0x20) {
                out.append("\\u00");
                out.append(hex[c >> 4]);
                out.append(hex[c & 0xF]);
            } else {
                out.append(ch);
            }
        }
    }
    out.append('"');
}

} // namespace verandel
