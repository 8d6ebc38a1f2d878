#include "peer/dnssd/BrowserResultMetadata.h"

#include "foundation/LogText.h"

#include <QStringList>

namespace verandel {

QString BrowserResultMetadata::description() const
{
    if (!m_txtRecord) {
        return QStringLiteral("missing");
    }
    QStringList entries;
    for (const QByteArray &entry : m_txtRecord->toStrings()) {
        entries << escapeControlCharacters(QString::fromUtf8(entry));
    }
    return QStringLiteral("bonjour(") + entries.join(QStringLiteral(", ")) + u')';
}

} // namespace verandel
