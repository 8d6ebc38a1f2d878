#include "settings/SettingsTabPage.h"

#include "kit/CapsuleBadge.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace verandel {

SettingsTabPage::SettingsTabPage(const QString &accessibleName, QWidget *parent)
    : QWidget(parent)
    , m_scroll(new QScrollArea(this))
    , m_column(new QWidget)
    , m_columnLayout(new QVBoxLayout(m_column))
{
    m_columnLayout->setContentsMargins({});
    m_columnLayout->setSpacing(Metrics::tabSectionSpacing);

    auto *content = new QWidget;
    auto *contentLayout = new QHBoxLayout(content);
    contentLayout->setContentsMargins(Metrics::contentPadding, Metrics::contentPadding, Metrics::contentPadding,
                                      Metrics::contentPadding);
    contentLayout->addWidget(m_column, 0, Qt::AlignTop);
    contentLayout->addStretch(1);
    m_scroll->setWidget(content);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setAccessibleName(accessibleName);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins({});
    outer->addWidget(m_scroll);
    m_column->setFixedWidth(columnWidth(width()));
}

QVBoxLayout *SettingsTabPage::addHeader(const QString &title, const QString &description, QWidget *trailing)
{
    auto *header = new QWidget(m_column);
    m_title = new TextLabel(TextStyle::Title, ThemeColor::PrimaryText, header);
    m_title->setText(title);
    m_title->setAccessibleName(title);
    auto *titleLine = new QWidget(header);
    titleLine->setMinimumHeight(CapsuleBadge::capsuleHeight());
    auto *titleRow = new QHBoxLayout(titleLine);
    titleRow->setContentsMargins({});
    titleRow->setSpacing(Metrics::sectionSpacing);
    titleRow->addWidget(m_title, 0, Qt::AlignVCenter);
    titleRow->addStretch(1);
    if (trailing) {
        trailing->setParent(titleLine);
        titleRow->addWidget(trailing, 0, Qt::AlignVCenter);
    }
    m_description = new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, header);
    m_description->setText(description);
    m_description->setWordWrap(true);

    auto *column = new QVBoxLayout(header);
    column->setContentsMargins({});
    column->setSpacing(Metrics::tabHeaderSpacing);
    column->addWidget(titleLine);
    column->addWidget(m_description);
    m_columnLayout->insertWidget(0, header);
    return column;
}

int SettingsTabPage::columnWidth(int tabWidth)
{
    const int available = tabWidth - 2 * Metrics::contentPadding - Metrics::reservedScrollBarWidth;
    return std::min(std::max(available, 0), Metrics::contentMaxWidth);
}

void SettingsTabPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_column->setFixedWidth(columnWidth(width()));
}

} // namespace verandel
