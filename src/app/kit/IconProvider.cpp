#include "kit/IconProvider.h"

#include <QDir>
#include <QImage>
#include <QImageReader>

#include <algorithm>

namespace verandel {

namespace {

const QString iconDirectory = QStringLiteral(":/icons/");

// Names the windows take from elsewhere that mean a symbol of the set under another name.
struct Alias
{
    const char16_t *name;
    const char16_t *target;
};
constexpr Alias aliases[] = {
    {u"magicmouse", u"computermouse"},
    {u"rectangle.filled.and.hand.point.up.left", u"trackpad"},
};

// Black ink keeps its coverage, white takes it away; grey in between (anti-aliased edges of a hole)
// keeps part of it. The result is `color` at that coverage.
QImage tinted(const QImage &source, const QColor &color)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb ink = color.rgb();
    const int inkAlpha = color.alpha();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const int coverage = qAlpha(pixel) * (255 - qGray(pixel)) / 255;
            line[x] = qRgba(qRed(ink), qGreen(ink), qBlue(ink), coverage * inkAlpha / 255);
        }
    }
    return image;
}

} // namespace

IconProvider::IconProvider()
{
    const QStringList files = QDir(iconDirectory).entryList({QStringLiteral("*.svg")}, QDir::Files);
    for (const QString &file : files) {
        m_files.insert(file.chopped(4), iconDirectory + file);
    }
    for (const Alias &alias : aliases) {
        const QString target = QString::fromUtf16(alias.target);
        if (m_files.contains(target)) {
            m_files.insert(QString::fromUtf16(alias.name), m_files.value(target));
        }
    }
}

QStringList IconProvider::names() const
{
    QStringList names = m_files.keys();
    std::sort(names.begin(), names.end());
    return names;
}

bool IconProvider::contains(const QString &name) const
{
    return m_files.contains(name);
}

QString IconProvider::resourcePath(const QString &name) const
{
    return m_files.value(name);
}

QPixmap IconProvider::pixmap(const QString &name, int size, const QColor &color, qreal devicePixelRatio) const
{
    const QString path = resourcePath(name);
    if (path.isEmpty() || size <= 0) {
        return {};
    }
    const qreal ratio = std::max<qreal>(1.0, devicePixelRatio);
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(path).arg(size).arg(color.rgba(), 8, 16).arg(ratio);
    if (const auto cached = m_cache.constFind(key); cached != m_cache.constEnd()) {
        return *cached;
    }
    QImageReader reader(path);
    const int pixels = qRound(size * ratio);
    reader.setScaledSize(QSize(pixels, pixels));
    const QImage source = reader.read();
    if (source.isNull()) {
        return {};
    }
    QPixmap pixmap = QPixmap::fromImage(tinted(source, color));
    pixmap.setDevicePixelRatio(ratio);
    m_cache.insert(key, pixmap);
    return pixmap;
}

void IconProvider::addPixmaps(QIcon &icon, const QString &name, const QColor &color, QIcon::Mode mode) const
{
    for (const int size : {12, 16, 18, 22, 24, 32}) {
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap drawn = pixmap(name, size, color, ratio);
            if (!drawn.isNull()) {
                icon.addPixmap(drawn, mode);
            }
        }
    }
}

QIcon IconProvider::icon(const QString &name, const QColor &color) const
{
    QIcon icon;
    addPixmaps(icon, name, color, QIcon::Normal);
    return icon;
}

QIcon IconProvider::icon(const QString &name, const QColor &color, const QColor &disabledColor) const
{
    QIcon icon;
    addPixmaps(icon, name, color, QIcon::Normal);
    addPixmaps(icon, name, disabledColor, QIcon::Disabled);
    return icon;
}

bool IconProvider::isRenderingAvailable()
{
    return QImageReader::supportedImageFormats().contains("svg");
}

} // namespace verandel
