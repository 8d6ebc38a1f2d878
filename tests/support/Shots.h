#pragma once

#include <QString>

class QWidget;

namespace verandel::test {

// Saves a picture of `widget` as <build tree>/shots/<name>.png for people to look at (never compared by
// tests). The widget is laid out first and drawn over its window colour, so a card's rounded corners
// show as they would in a window. Returns the file's path; fails the test when it cannot be written.
QString saveShot(QWidget &widget, const QString &name);

} // namespace verandel::test
