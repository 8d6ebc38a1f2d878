#pragma once

#include "kit/TextLabel.h"

#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>
#include <QStringList>

namespace verandel::test {

// Names other computers and devices may announce: markup, the longest name allowed (63 UTF-8 bytes),
// right-to-left scripts and a bidi override that would reorder the text around it.
inline QStringList hostileNames()
{
    return {
        QStringLiteral("<b>Bold</b> & <i>AT&T</i>"),
        QStringLiteral("Conference Room Workstation on the Third Floor, East Wing 01234"),
        QStringLiteral("מחשב העבודה"),
        QStringLiteral("حاسوب المكتب"),
        QStringLiteral("\u202EStudio PC"),
    };
}

// Labels under `root` whose text holds `markup` and would draw it as rich text rather than literally.
inline QStringList labelsRenderingMarkup(const QWidget &root, const QString &markup = QStringLiteral("<b>Bold"))
{
    QStringList rich;
    for (const QLabel *label : root.findChildren<QLabel *>()) {
        if (label->text().contains(markup) && label->textFormat() != Qt::PlainText) {
            rich.append(label->text());
        }
    }
    return rich;
}

// What a picture of hostile names must not show, one line per fault, for the visible labels under
// `root`: markup drawn as rich text, a bidi override that reaches past its name (outside an isolate,
// in a label that holds more than the name), a line longer than its label (cut, not elided) and
// wrapped text taller than its label (its last lines cut).
inline QStringList hostileNameFaults(const QWidget &root, const QStringList &names = hostileNames())
{
    QStringList faults;
    for (const QString &rich : labelsRenderingMarkup(root)) {
        faults.append(QStringLiteral("markup drawn: ") + rich);
    }
    static const QRegularExpression isolate(QStringLiteral("[\u2066\u2067\u2068][^\u2069]*\u2069"));
    for (const QLabel *label : root.findChildren<QLabel *>()) {
        if (!label->isVisibleTo(&root)) {
            continue;
        }
        const auto *own = qobject_cast<const TextLabel *>(label);
        const QString full = own ? own->fullText() : label->text();
        const QString what = QStringLiteral(" (") + QString::fromLatin1(label->metaObject()->className())
            + QStringLiteral("): ") + full;
        if (QString(full).remove(isolate).contains(QChar(0x202E)) && !names.contains(full)) {
            faults.append(QStringLiteral("override reaches past the name") + what);
        }
        const QRect area = label->contentsRect();
        if (!label->wordWrap()) {
            const int advance = QFontMetrics(label->font()).horizontalAdvance(label->text());
            if (advance > area.width() + 1) {
                faults.append(QStringLiteral("cut: %1 px of text in %2 px").arg(advance).arg(area.width()) + what);
            }
        } else if (label->heightForWidth(label->width()) > label->height() + 1) {
            faults.append(QStringLiteral("wrapped text taller than its label") + what);
        }
    }
    return faults;
}

} // namespace verandel::test
