#include "kit/EmptyStateCard.h"

#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr double circleOpacity = 0.12;

} // namespace

EmptyStateCard::EmptyStateCard(IconProviderPtr icons, const QString &iconName, Symbol symbol, QWidget *parent)
    : Card(parent)
    , m_icon(new IconView(std::move(icons), iconName,
                          symbol == Symbol::Circled ? Metrics::iconInCircle : Metrics::iconRegular, this))
    , m_title(new TextLabel(TextStyle::Body, ThemeColor::PrimaryText, this))
    , m_hint(new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, this))
{
    m_icon->setColor(ThemeColor::Accent);
    if (symbol == Symbol::Circled) {
        m_icon->setCircle(Metrics::iconCircle, circleOpacity);
    }
    m_title->setFontWeight(QFont::DemiBold);
    m_hint->setWordWrap(true);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(Metrics::rowDetailSpacing);
    texts->addWidget(m_title);
    texts->addWidget(m_hint);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins({});
    row->setSpacing(symbol == Symbol::Circled ? Metrics::rowSpacing : Metrics::cardSpacing);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
}

void EmptyStateCard::setTexts(const QString &title, const QString &hint)
{
    m_title->setText(title);
    m_hint->setText(hint);
    setAccessibleName(title);
}

} // namespace verandel
