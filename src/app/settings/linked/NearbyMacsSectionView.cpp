#include "settings/linked/NearbyMacsSectionView.h"

#include "kit/CapsuleBadge.h"
#include "kit/Card.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "settings/linked/DiscoveredMacRow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int headingSpacing = 8;
const CardLook listLook{ThemeTint{ThemeColor::WindowBackground}, ThemeTint{ThemeColor::Separator}};

} // namespace

NearbyMacsSectionView::NearbyMacsSectionView(IconProviderPtr icons, Actions actions, QWidget *parent)
    : QWidget(parent)
    , m_icons(std::move(icons))
    , m_actions(std::move(actions))
    , m_count(new CapsuleBadge(m_icons, this))
    , m_empty(new Card(this))
    , m_list(new Card(this))
{
    auto *title = new TextLabel(TextStyle::Subheadline, ThemeColor::PrimaryText, this);
    title->setText(QStringLiteral("Nearby Computers"));
    title->setFontWeight(QFont::DemiBold);
    m_count->setLook({ThemeTint{ThemeColor::SecondaryText}, ThemeTint{ThemeColor::WindowBackground}, std::nullopt,
                      BadgeLook::Shape::Capsule});
    auto *heading = new QHBoxLayout;
    heading->addWidget(title, 0, Qt::AlignVCenter);
    heading->addStretch(1);
    heading->addWidget(m_count, 0, Qt::AlignVCenter);

    m_empty->setLook(listLook);
    m_empty->setContentsMargins(Metrics::emptyStatePadding, Metrics::emptyStatePadding, Metrics::emptyStatePadding,
                                Metrics::emptyStatePadding);
    auto *searchIcon = new IconView(m_icons, QStringLiteral("magnifyingglass"), Metrics::iconRegular, m_empty);
    searchIcon->setColor(ThemeColor::Accent);
    auto *looking = new TextLabel(TextStyle::Subheadline, ThemeColor::PrimaryText, m_empty);
    looking->setText(QStringLiteral("Looking for nearby computers"));
    looking->setFontWeight(QFont::DemiBold);
    auto *hint = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, m_empty);
    hint->setText(QStringLiteral("Activate the Discovery Mode on the other computer. It should appear here "
                                 "automatically."));
    hint->setWordWrap(true);
    auto *emptyTexts = new QVBoxLayout;
    emptyTexts->setSpacing(Metrics::rowDetailSpacing);
    emptyTexts->addWidget(looking);
    emptyTexts->addWidget(hint);
    auto *emptyRow = new QHBoxLayout(m_empty);
    emptyRow->setContentsMargins({});
    emptyRow->setSpacing(Metrics::cardSpacing);
    emptyRow->addWidget(searchIcon, 0, Qt::AlignTop);
    emptyRow->addLayout(emptyTexts, 1);

    m_list->setLook(listLook);
    m_list->setContentsMargins({});
    auto *rows = new QVBoxLayout(m_list);
    rows->setContentsMargins({});
    rows->setSpacing(0);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins({});
    column->setSpacing(headingSpacing);
    column->addLayout(heading);
    column->addWidget(m_empty);
    column->addWidget(m_list);

    setMacs({}, {});
}

void NearbyMacsSectionView::setMacs(const QList<DiscoverableMac> &macs, const RequestLookup &lookup)
{
    m_macs = macs;
    m_count->setText(countText(macs.size()));
    m_empty->setVisible(macs.isEmpty());
    m_list->setVisible(!macs.isEmpty());

    QHash<QUuid, DiscoveredMacRow *> kept;
    auto *layout = static_cast<QVBoxLayout *>(m_list->layout());
    for (qsizetype i = 0; i < macs.size(); ++i) {
        const DiscoverableMac &mac = macs.at(i);
        DiscoveredMacRow *row = m_rows.take(mac.id());
        if (!row) {
            row = makeRow(mac.id());
        }
        layout->removeWidget(row);
        layout->insertWidget(static_cast<int>(i), row);
        row->setMac(mac, lookup ? lookup(mac) : std::nullopt);
        row->setShowsDivider(i + 1 < macs.size());
        kept.insert(mac.id(), row);
    }
    qDeleteAll(m_rows);
    m_rows = std::move(kept);
}

QList<DiscoveredMacRow *> NearbyMacsSectionView::rows() const
{
    QList<DiscoveredMacRow *> shown;
    for (const DiscoverableMac &mac : m_macs) {
        shown.append(m_rows.value(mac.id()));
    }
    return shown;
}

QString NearbyMacsSectionView::countText(qsizetype count)
{
    if (count == 0) {
        return QStringLiteral("Searching");
    }
    return count == 1 ? QStringLiteral("1 computer") : QStringLiteral("%1 computers").arg(count);
}

std::optional<DiscoverableMac> NearbyMacsSectionView::macWithId(const QUuid &id) const
{
    for (const DiscoverableMac &mac : m_macs) {
        if (mac.id() == id) {
            return mac;
        }
    }
    return std::nullopt;
}

DiscoveredMacRow *NearbyMacsSectionView::makeRow(const QUuid &id)
{
    // Each button acts on the computer's record as it stands when clicked.
    const auto bound = [this, id](MacAction NearbyMacsSectionView::Actions::*which) {
        return [this, id, which] {
            const std::optional<DiscoverableMac> mac = macWithId(id);
            if (mac && m_actions.*which) {
                (m_actions.*which)(*mac);
            }
        };
    };
    return new DiscoveredMacRow(
        m_icons, {bound(&Actions::request), bound(&Actions::accept), bound(&Actions::cancel), bound(&Actions::reject)},
        m_list);
}

} // namespace verandel
