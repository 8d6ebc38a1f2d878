#include "FuzzPromises.h"

#include "FuzzRequire.h"

#include "records/PeerNamePolicy.h"

#include <QList>

namespace verandel::fuzz {

bool isControlOrBidiControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F
        || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void requireCleanPeerName(const QString &name)
{
    for (const char32_t c : name.toUcs4()) {
        require(!isControlOrBidiControl(c),
                QStringLiteral("a peer name kept U+%1").arg(quint32(c), 4, 16, QLatin1Char('0')));
    }
    require(name.toUtf8().size() <= kMaxPeerNameBytes, QStringLiteral("a peer name over the cap: ") + name);
    require(name == name.trimmed(), QStringLiteral("a peer name not trimmed: ") + name);
}

void requireEscapedForLog(const QString &line)
{
    for (const char32_t c : line.toUcs4()) {
        require(!isControlOrBidiControl(c),
                QStringLiteral("a log line kept U+%1").arg(quint32(c), 4, 16, QLatin1Char('0')));
    }
}

} // namespace verandel::fuzz
