#include "support/Shots.h"

#include "support/RunTask.h"

#include <QDir>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace verandel::test {

namespace {

QString shotPath(const QString &name)
{
    const QString directory = QStringLiteral(VERANDEL_BINARY_DIR "/shots");
    QDir().mkpath(directory);
    return directory + QLatin1Char('/') + name + QStringLiteral(".png");
}

} // namespace

QString saveShot(QWidget &widget, const QString &name)
{
    const QString path = shotPath(name);

    widget.ensurePolished();
    if (QLayout *layout = widget.layout()) {
        layout->activate();
    }
    const QPixmap grabbed = widget.grab();
    QImage picture(grabbed.size() * grabbed.devicePixelRatio(), QImage::Format_ARGB32);
    picture.setDevicePixelRatio(grabbed.devicePixelRatio());
    picture.fill(widget.palette().color(QPalette::Window));
    QPainter(&picture).drawPixmap(0, 0, grabbed);
    EXPECT_TRUE(picture.save(path)) << "cannot write " << path.toStdString();
    return path;
}

QString saveShot(const QImage &picture, const QString &name)
{
    const QString path = shotPath(name);
    EXPECT_TRUE(picture.save(path)) << "cannot write " << path.toStdString();
    return path;
}

void showFitted(QWidget &window, int width)
{
    window.setFixedWidth(width);
    window.show();
    settle();
    window.setFixedHeight(window.hasHeightForWidth() ? window.heightForWidth(width) : window.sizeHint().height());
    if (QWidget *focused = window.focusWidget()) {
        focused->clearFocus();
    }
    settle();
}

} // namespace verandel::test
