#include "kit/SectionHeading.h"

#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QHBoxLayout>

namespace verandel {

SectionHeading::SectionHeading(const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_title(new TextLabel(TextStyle::Headline, ThemeColor::PrimaryText, this))
    , m_count(new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, this))
{
    m_title->setText(title);
    m_title->setAccessibleName(title);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins({});
    row->setSpacing(Metrics::sectionSpacing);
    row->addWidget(m_title, 0, Qt::AlignBaseline);
    row->addStretch(1);
    row->addWidget(m_count, 0, Qt::AlignBaseline);
}

void SectionHeading::setCountText(const QString &text)
{
    m_count->setText(text);
    m_count->setVisible(!text.isEmpty());
}

} // namespace verandel
