#pragma once

#include <QLabel>
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

} // namespace verandel::test
