#pragma once

#include <QString>

class QImage;
class QWidget;

namespace verandel::test {

// Saves a picture of `widget` as <build tree>/shots/<name>.png for people to look at (never compared by
// tests). The widget is laid out first and drawn over its window colour, so a card's rounded corners
// show as they would in a window. Returns the file's path; fails the test when it cannot be written.
QString saveShot(QWidget &widget, const QString &name);
// Saves a picture drawn by the test itself, pixel for pixel.
QString saveShot(const QImage &picture, const QString &name);

// Shows `window` (offscreen) at `width` and as tall as its content wants there, for a picture: only a
// shown window lays out the widgets nested in it again when their content changes.
void showFitted(QWidget &window, int width);

} // namespace verandel::test
