#include "kit/KeyedRowList.h"
#include "kit/Card.h"
#include "kit/FlowLayout.h"
#include "kit/Metrics.h"
#include "kit/SectionHeading.h"
#include "kit/TextLabel.h"

#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <gtest/gtest.h>

using namespace verandel;

TEST(KeyedRowListTest, RowsAreKeptPerKeyReorderedAndDeletedLaterWhenTheirKeyIsGone)
{
    QStringList made;
    KeyedRowList list([&made](const QString &key) {
        made.append(key);
        auto *row = new QWidget;
        row->setObjectName(key);
        row->setFixedHeight(40);
        return row;
    });
    list.setKeys({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")});
    EXPECT_EQ(list.keys(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(made, list.keys()) << "one row per distinct key";
    const QPointer<QWidget> a = list.row(QStringLiteral("a"));
    const QPointer<QWidget> b = list.row(QStringLiteral("b"));

    list.setKeys({QStringLiteral("c"), QStringLiteral("a")});
    EXPECT_EQ(made.size(), 3) << "kept rows are reused";
    EXPECT_EQ(list.rowsAs<QWidget>(), (QList<QWidget *>{list.row(QStringLiteral("c")), a.data()}));
    // The gone row may be the one whose click removed it: it goes once control returns to the loop.
    ASSERT_FALSE(b.isNull());
    EXPECT_FALSE(b->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(b.isNull());
    EXPECT_FALSE(a.isNull());
}

TEST(KeyedRowListTest, DividersRunFromTheTextToInsideTheBorderBetweenRowsOnly)
{
    KeyedRowList list([](const QString &) {
        auto *row = new QWidget;
        row->setFixedHeight(40);
        return row;
    });
    list.setKeys({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    list.resize(400, list.sizeHint().height());
    list.show();
    const QLine first = list.dividerBelow(0);
    EXPECT_EQ(first.x1(), Metrics::cardBorderWidth + Metrics::rowDividerInset);
    EXPECT_EQ(Metrics::rowDividerInset, Metrics::rowHorizontalPadding + Metrics::iconCircle + Metrics::rowSpacing);
    // It stops inside the card, as far from the border as the rows' padding.
    EXPECT_EQ(first.x2(), list.width() - Metrics::cardBorderWidth - Metrics::rowHorizontalPadding - 1);
    const QRect above = list.row(QStringLiteral("a"))->geometry();
    const QRect below = list.row(QStringLiteral("b"))->geometry();
    EXPECT_GT(first.y1(), above.bottom());
    EXPECT_LT(first.y1(), below.top());
    EXPECT_FALSE(list.dividerBelow(1).isNull());
    EXPECT_TRUE(list.dividerBelow(2).isNull()) << "none after the last row";
}

TEST(KeyedRowListTest, AHeadingShowsItsCountOnlyWhenThereIsOne)
{
    SectionHeading heading(QStringLiteral("Nearby Computers"));
    heading.show();
    heading.setCountText(QStringLiteral("3 computers"));
    EXPECT_EQ(heading.countLabel()->fullText(), QStringLiteral("3 computers"));
    EXPECT_TRUE(heading.countLabel()->isVisible());
    heading.setCountText({});
    EXPECT_FALSE(heading.countLabel()->isVisible());
    EXPECT_EQ(heading.titleLabel()->fullText(), QStringLiteral("Nearby Computers"));
}

TEST(FlowLayoutTest, ItemsWrapWhenTheyDoNotFitAndShareTheMiddleOfTheirLine)
{
    QWidget host;
    auto *flow = new FlowLayout(8, 6, &host);
    flow->setContentsMargins({});
    const auto box = [&host](int width, int height) {
        auto *widget = new QWidget(&host);
        widget->setFixedSize(width, height);
        return widget;
    };
    QWidget *low = box(100, 20);
    QWidget *tall = box(100, 30);
    QWidget *next = box(100, 20);
    for (QWidget *widget : {low, tall, next}) {
        flow->addWidget(widget);
    }
    host.resize(250, flow->heightForWidth(250));
    host.show();
    flow->activate();
    EXPECT_EQ(low->geometry(), QRect(0, 5, 100, 20));
    EXPECT_EQ(tall->geometry(), QRect(108, 0, 100, 30));
    EXPECT_EQ(next->geometry(), QRect(0, 36, 100, 20)) << "a new line below the tallest of the first";
    EXPECT_EQ(flow->heightForWidth(250), 56);
    EXPECT_EQ(flow->heightForWidth(400), 30);
}

TEST(CardTest, KeepsItsPaddingWhenPolishedSmallerThanItAndWhenRestyled)
{
    QWidget window;
    auto *card = new Card(&window);
    card->setContentsMargins(14, 24, 14, 24); // more than a new widget's height
    window.show();
    EXPECT_EQ(card->contentsMargins(), QMargins(14, 24, 14, 24));
    card->setStyleSheet(QStringLiteral("* {}"));
    EXPECT_EQ(card->contentsMargins(), QMargins(14, 24, 14, 24));
}
