#include "desktop/AutostartEntry.h"

#include <QHash>
#include <QList>

namespace verandel::AutostartEntry {

namespace {

const QByteArray mainGroup = QByteArrayLiteral("[Desktop Entry]");

// The key-value pairs of the main group; the first occurrence of a key counts.
QHash<QByteArray, QByteArray> mainGroupEntries(const QByteArray &content)
{
    QHash<QByteArray, QByteArray> entries;
    bool inMainGroup = false;
    for (const QByteArray &rawLine : content.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        if (line.startsWith('[')) {
            inMainGroup = line == mainGroup;
            continue;
        }
        const qsizetype separator = line.indexOf('=');
        if (!inMainGroup || separator <= 0) {
            continue;
        }
        const QByteArray key = line.left(separator).trimmed();
        if (!entries.contains(key)) {
            entries.insert(key, line.mid(separator + 1).trimmed());
        }
    }
    return entries;
}

} // namespace

QByteArray make(const QString &executablePath, bool hidden)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Verandel\n"
                                  "Comment=Moves Bluetooth keyboards, trackpads and mice between linked computers\n"
                                  "Exec=")
        + execArgument(executablePath) + u' ' + autostartArgument
        + QStringLiteral("\n"
                         "Icon=com.verandel.Verandel\n"
                         "Terminal=false\n");
    text += hidden ? QStringLiteral("Hidden=true\n") : QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool startsAtLogin(const QByteArray &content)
{
    const QHash<QByteArray, QByteArray> entries = mainGroupEntries(content);
    return entries.value(QByteArrayLiteral("Type")) == "Application"
        && entries.value(QByteArrayLiteral("Hidden")) != "true"
        && entries.value(QByteArrayLiteral("X-GNOME-Autostart-enabled")) != "false";
}

QString execArgument(const QString &argument)
{
    // Inside quotes, the quote itself, the backquote, the dollar sign and the backslash are escaped.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c == u'%' ? QStringLiteral("%%") : QString(c);
    }
    quoted += u'"';
    // A value of string type unescapes its backslashes and control characters before the quoting is
    // read, so every backslash of the quoted argument is written twice.
    QString value;
    for (const QChar c : std::as_const(quoted)) {
        switch (c.unicode()) {
        case u'\\': value += QStringLiteral("\\\\"); break;
        case u'\n': value += QStringLiteral("\\n"); break;
        case u'\t': value += QStringLiteral("\\t"); break;
        case u'\r': value += QStringLiteral("\\r"); break;
        default: value += c;
        }
    }
    return value;
}

} // namespace verandel::AutostartEntry
