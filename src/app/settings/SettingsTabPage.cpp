#include "settings/SettingsTabPage.h"

#include "kit/Metrics.h"

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
