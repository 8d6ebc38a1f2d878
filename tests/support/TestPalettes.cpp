#include "support/TestPalettes.h"

#include <QApplication>
#include <QStyle>

namespace verandel::test {

QPalette lightPalette()
{
    return QApplication::style()->standardPalette();
}

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    palette.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Base, QColor(0x1f, 0x1f, 0x22));
    palette.setColor(QPalette::AlternateBase, QColor(0x27, 0x27, 0x2a));
    palette.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xea));
    palette.setColor(QPalette::Mid, QColor(0x4a, 0x4a, 0x50));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xe0));
    palette.setColor(QPalette::HighlightedText, QColor(Qt::white));
    palette.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ToolTipText, QColor(0xe8, 0xe8, 0xea));
    return palette;
}

QPalette highContrastPalette()
{
    QPalette palette;
    for (const QPalette::ColorRole role :
         {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button, QPalette::ToolTipBase}) {
        palette.setColor(role, QColor(Qt::black));
    }
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::Mid, QPalette::ToolTipText}) {
        palette.setColor(role, QColor(Qt::white));
    }
    palette.setColor(QPalette::Highlight, QColor(0xff, 0xff, 0x00));
    palette.setColor(QPalette::HighlightedText, QColor(Qt::black));
    return palette;
}

} // namespace verandel::test
