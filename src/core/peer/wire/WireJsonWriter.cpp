#include "peer/wire/WireJsonWriter.h"

#include "foundation/JsonDecodeError.h"

#include <charconv>
#include <cmath>
#include <cstring>

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

void WireJsonWriter::string(QLatin1StringView value)
{
    beforeValue();
    appendEscaped(m_out, value);
}

void WireJsonWriter::uuid(const QUuid &value)
{
    beforeValue();
    QByteArray text = value.toByteArray(QUuid::WithoutBraces);
    for (char &c : text) {
        if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    m_out.append('"');
    m_out.append(text);
    m_out.append('"');
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
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_out.append(buffer, result.ptr - buffer);
}

namespace {

// Writes an ASCII character, escaped where JSON or the wire form asks for it; answers the end.
char *putAscii(char *out, char16_t c)
{
    static const char hex[] = "0123456789abcdef";
    if (c >= 0x20 && c != u'"' && c != u'\\' && c != u'/') {
        *out++ = static_cast<char>(c);
        return out;
    }
    *out++ = '\\';
    switch (c) {
    case u'"': *out++ = '"'; break;
    case u'\\': *out++ = '\\'; break;
    case u'/': *out++ = '/'; break;
    case u'\b': *out++ = 'b'; break;
    case u'\f': *out++ = 'f'; break;
    case u'\n': *out++ = 'n'; break;
    case u'\r': *out++ = 'r'; break;
    case u'\t': *out++ = 't'; break;
    default:
        *out++ = 'u';
        *out++ = '0';
        *out++ = '0';
        *out++ = hex[c >> 4];
        *out++ = hex[c & 0xF];
    }
    return out;
}

// Six bytes ("\u001f") is the most one UTF-16 unit or one Latin-1 character becomes; the output is
// written in place into that much room and cut to its length afterwards.
constexpr qsizetype kMaxBytesPerUnit = 6;

} // namespace

void WireJsonWriter::appendEscaped(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + 2 + kMaxBytesPerUnit * text.size());
    char *p = out.data() + start;
    *p++ = '"';
    const char16_t *s = text.utf16();
    const char16_t *const end = s + text.size();
    while (s < end) {
        if (*s < 0x80) {
            p = putAscii(p, *s++);
            continue;
        }
        // A run of non-ASCII units goes through Qt's encoder, which decides how a lone surrogate is
        // written; none of its bytes needs an escape.
        const char16_t *runEnd = s;
        while (runEnd < end && *runEnd >= 0x80) {
            ++runEnd;
        }
        const QByteArray utf8 = QStringView(s, runEnd).toUtf8();
        std::memcpy(p, utf8.constData(), static_cast<std::size_t>(utf8.size()));
        p += utf8.size();
        s = runEnd;
    }
    *p++ = '"';
    out.resize(p - out.constData());
}

void WireJsonWriter::appendEscaped(QByteArray &out, QLatin1StringView text)
{
    const qsizetype start = out.size();
    out.resize(start + 2 + kMaxBytesPerUnit * text.size());
    char *p = out.data() + start;
    *p++ = '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            p = putAscii(p, c);
        } else {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    *p++ = '"';
    out.resize(p - out.constData());
}

} // namespace verandel
