#include "kit/UntrustedText.h"
#include "kit/Banner.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include "support/QtPrinters.h"
#include "support/Shots.h"
#include "support/TestPalettes.h"

#include <QImage>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString hebrew = QStringLiteral("מחשב המשרד");
const QString arabic = QStringLiteral("حاسوب المكتب");
// A right-to-left override in front of a Latin name.
const QString bidiOverride = QStringLiteral("\u202EStudio");
// 63 bytes of UTF-8 without a space: the longest name a computer advertises.
const QString longWord = QString(63, QLatin1Char('W'));

// What a tool tip shows: Qt guesses whether its text is rich and renders it so.
QString shownToolTip(const QString &toolTip)
{
    if (!Qt::mightBeRichText(toolTip)) {
        return toolTip;
    }
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}

// The x of the leftmost pixel drawn in the label's text colour.
int leftmostInk(QWidget &label)
{
    const QImage image = label.grab().toImage();
    const QColor background = image.pixelColor(image.width() - 1, 0);
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(x, y) != background) {
                return x;
            }
        }
    }
    return image.width();
}

} // namespace

TEST(UntrustedTextTest, ToolTipsShowTheTextAsItIs)
{
    for (const QString &text : {QStringLiteral("AT&T"), QStringLiteral("<b>x</b>&amp;y"), QStringLiteral("a  b")}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(shownToolTip(UntrustedText::toolTip(text)).simplified(), text.simplified());
    }
    EXPECT_EQ(UntrustedText::toolTip({}), QString());
}

TEST(UntrustedTextTest, ANameInsideASentenceIsIsolatedAndTitlesKeepTheirAmpersands)
{
    EXPECT_EQ(UntrustedText::isolated(hebrew), QChar(0x2068) + hebrew + QChar(0x2069));
    EXPECT_EQ(QStringLiteral("Disconnect ") + UntrustedText::isolated(bidiOverride) + QLatin1Char('?'),
              QStringLiteral("Disconnect \u2068\u202EStudio\u2069?"));
    EXPECT_EQ(UntrustedText::mnemonicSafe(QStringLiteral("AT&T")), QStringLiteral("AT&&T"));
}

TEST(UntrustedTextTest, RightToLeftNamesStayLeftAligned)
{
    for (const bool elided : {false, true}) {
        for (const QString &name : {hebrew, arabic, bidiOverride}) {
            SCOPED_TRACE(name.toStdString() + (elided ? " elided" : ""));
            TextLabel label(TextStyle::Body);
            label.setPalette(lightPalette());
            label.setAutoFillBackground(true);
            label.setElided(elided);
            label.setText(name);
            label.show();
            label.resize(300, label.sizeHint().height());
            EXPECT_TRUE(label.alignment() & Qt::AlignAbsolute);
            EXPECT_LT(leftmostInk(label), 10);
        }
    }
}

TEST(UntrustedTextTest, AWrappedBannerShowsA63ByteNameWhole)
{
    constexpr int width = 320;
    const QString message = QStringLiteral("Failed to disconnect from ") + UntrustedText::isolated(longWord)
        + QStringLiteral(": File lock acquisition timed out");
    QWidget window;
    window.setPalette(lightPalette());
    window.setAutoFillBackground(true);
    auto *banner = new Banner(std::make_shared<const IconProvider>(), &window);
    banner->setContent(QStringLiteral("exclamationmark.triangle"), ThemeColor::Orange,
                       QStringLiteral("Something went wrong"), message);
    banner->setDismissible(true);
    EXPECT_LE(banner->minimumSizeHint().width(), width) << "a long word does not widen the banner";
    banner->setFixedWidth(width);
    banner->setFixedHeight(banner->heightForWidth(width));
    window.resize(width, banner->height());
    window.show();
    saveShot(window, QStringLiteral("kit-banner-long-name"));

    // Every line of the message fits the label's width, and every line fits its height.
    TextLabel *label = banner->findChildren<TextLabel *>().last();
    ASSERT_EQ(label->fullText(), message);
    QTextLayout layout(message, label->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label->contentsRect().width());
        EXPECT_LE(line.naturalTextWidth(), label->contentsRect().width() + 1);
        ++lines;
    }
    layout.endLayout();
    EXPECT_GE(lines, 3);
    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    EXPECT_TRUE(banner->rect().contains(label->geometry()));
}

TEST(UntrustedTextTest, LongNamesAreCutWhole)
{
    EXPECT_EQ(UntrustedText::elided(QStringLiteral("Studio")), QStringLiteral("Studio"));
    EXPECT_EQ(UntrustedText::elided(QString(41, QLatin1Char('x'))), QString(39, QLatin1Char('x')) + QChar(0x2026));
    EXPECT_EQ(UntrustedText::elided(QString(40, QLatin1Char('x'))).size(), 40);
    // An emoji across the cut is dropped whole rather than split.
    const QString emoji = QString(38, QLatin1Char('x')) + QString::fromUtf8("😀") + QStringLiteral("yy");
    EXPECT_EQ(UntrustedText::elided(emoji), QString(38, QLatin1Char('x')) + QChar(0x2026));
}
