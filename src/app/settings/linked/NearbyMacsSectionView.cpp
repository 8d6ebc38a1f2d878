#include "settings/linked/NearbyMacsSectionView.h"

#include "kit/EmptyStateCard.h"
#include "kit/KeyedRowList.h"
#include "kit/Metrics.h"
#include "kit/SectionHeading.h"
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
    , m_heading(new SectionHeading(QStringLiteral("Nearby Computers"), this))
    , m_empty(nullptr)
    , m_list(new KeyedRowList([this](const QString &key) { return makeRow(QUuid::fromString(key)); }, this))
{
    auto *empty = new EmptyStateCard(m_icons, QStringLiteral("magnifyingglass"), EmptyStateCard::Symbol::Plain, this);
    empty->setTexts(QStringLiteral("Looking for nearby computers"),
                    QStringLiteral("Activate the Discovery Mode on the other computer. It should appear here "
                                   "automatically."));
    empty->setLook(listLook);
    empty->setContentsMargins(Metrics::emptyStatePadding, Metrics::emptyStatePadding, Metrics::emptyStatePadding,
                              Metrics::emptyStatePadding);
    m_empty = empty;
    m_list->setLook(listLook);
    m_list->setAccessibleName(QStringLiteral("Nearby computers"));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins({});
    column->setSpacing(headingSpacing);
    column->addWidget(m_heading);
    column->addWidget(m_empty);
    column->addWidget(m_list);

    setMacs({}, {});
}

void NearbyMacsSectionView::setMacs(const QList<DiscoverableMac> &macs, const RequestLookup &lookup)
{
    m_macs = macs;
    m_heading->setCountText(countText(macs.size()));
    m_empty->setVisible(macs.isEmpty());
    m_list->setVisible(!macs.isEmpty());
    m_list->setItems(macs, [](const DiscoverableMac &mac) { return mac.id().toString(); });
    for (const DiscoverableMac &mac : macs) {
        auto *row = static_cast<DiscoveredMacRow *>(m_list->row(mac.id().toString()));
        row->setMac(mac, lookup ? lookup(mac) : std::nullopt);
    }
}

QList<DiscoveredMacRow *> NearbyMacsSectionView::rows() const
{
    return m_list->rowsAs<DiscoveredMacRow>();
}

TextLabel *NearbyMacsSectionView::countLabel() const
{
    return m_heading->countLabel();
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
