#include "common/DeviceInfoRow.h"

#include "common/DeviceRowPresentation.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int statusDotSize = 8;
constexpr int nameSpacing = 2;
constexpr int statusSpacing = 5;

} // namespace

DeviceInfoRow::DeviceInfoRow(IconProviderPtr icons, bool showConnectionStatus, Placement placement, QWidget *parent)
    : QWidget(parent)
    , m_icon(new IconView(icons, QStringLiteral("questionmark.circle"),
                          placement == Placement::InList ? Metrics::iconHeading : Metrics::iconRegular, this))
    , m_name(new TextLabel(TextStyle::Body, ThemeColor::PrimaryText, this))
{
    const bool inList = placement == Placement::InList;
    m_icon->setFixedWidth(inList ? Metrics::iconCircle : Metrics::iconRegular);
    m_name->setFontWeight(QFont::Medium);
    m_name->setElided(true);

    auto *texts = new QVBoxLayout;
    texts->setContentsMargins({});
    texts->setSpacing(nameSpacing);
    texts->addWidget(m_name);
    if (showConnectionStatus) {
        m_statusLine = new QWidget(this);
        m_statusDot = new IconView(icons, QStringLiteral("circle.fill"), statusDotSize, m_statusLine);
        m_statusText = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, m_statusLine);
        auto *statusLayout = new QHBoxLayout(m_statusLine);
        statusLayout->setContentsMargins({});
        statusLayout->setSpacing(statusSpacing);
        statusLayout->addWidget(m_statusDot, 0, Qt::AlignVCenter);
        statusLayout->addWidget(m_statusText, 1);
        texts->addWidget(m_statusLine);
    }

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins({});
    row->setSpacing(inList ? Metrics::rowSpacing : Metrics::cardHeaderSpacing);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
}

void DeviceInfoRow::setDeviceState(const DeviceState &state)
{
    const DeviceRowPresentation shown = DeviceRowPresentation::make(state, DeviceRowCompactMode::Shared);
    m_icon->setName(shown.iconName);
    m_name->setText(state.displayName());
    m_name->setColor(shown.nameColor);
    m_name->setAccessibleName(state.displayName());
    if (m_statusLine) {
        m_statusDot->setColor(shown.statusDotColor);
        m_statusText->setText(shown.statusText);
    }
}

} // namespace verandel
