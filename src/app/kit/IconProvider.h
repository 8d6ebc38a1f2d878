#pragma once

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <memory>

namespace verandel {

// The project's own monochrome symbols, by the names the windows use ("laptopcomputer", "keyboard",
// "exclamationmark.triangle", …). They are SVG files in the program's resources, so every machine shows
// the same icons with or without an icon theme. In a file black is ink and white cuts a hole into the
// ink; the ink takes the colour it is asked for when the icon is drawn.
//
// SVG is read through Qt's image plugin (package libqt6svg6); without it every pixmap is null and
// isRenderingAvailable() says why.
class IconProvider
{
public:
    IconProvider();

    // Every name pixmap() knows, aliases included, sorted.
    QStringList names() const;
    bool contains(const QString &name) const;

    // The symbol drawn into a square of `size` device-independent pixels in `color`, sharp on a screen
    // with the given ratio. Null for an unknown name.
    QPixmap pixmap(const QString &name, int size, const QColor &color, qreal devicePixelRatio = 1.0) const;
    // The symbol in the sizes buttons, menus and trays ask for (12 to 32 and their double), in `color`.
    QIcon icon(const QString &name, const QColor &color) const;
    // The same, drawn in `disabledColor` where its item is disabled, instead of Qt's grey: a symbol that
    // says why an item cannot be chosen must stay visible then.
    QIcon icon(const QString &name, const QColor &color, const QColor &disabledColor) const;

    static bool isRenderingAvailable();

private:
    QString resourcePath(const QString &name) const;
    void addPixmaps(QIcon &icon, const QString &name, const QColor &color, QIcon::Mode mode) const;

    QHash<QString, QString> m_files; // name -> resource path
    mutable QHash<QString, QPixmap> m_cache;
};

using IconProviderPtr = std::shared_ptr<const IconProvider>;

} // namespace verandel
