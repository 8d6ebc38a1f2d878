#pragma once

#include "kit/IconProvider.h"

#include "linking/ConnectionRequest.h"
#include "records/DiscoverableMac.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

namespace verandel {

class Card;
class DiscoveredMacRow;
class KeyedRowList;
class SectionHeading;
class TextLabel;

// The computers found nearby while Discovery Mode runs: a heading with their count, then either a note
// that the search goes on or one row per computer, in the order given. Rows are kept per computer id
// and updated in place.
class NearbyMacsSectionView : public QWidget
{
    Q_OBJECT

public:
    using MacAction = std::function<void(const DiscoverableMac &)>;
    using RequestLookup = std::function<std::optional<ConnectionRequest>(const DiscoverableMac &)>;

    struct Actions
    {
        MacAction request;
        MacAction accept;
        MacAction cancel;
        MacAction reject;
    };

    NearbyMacsSectionView(IconProviderPtr icons, Actions actions, QWidget *parent = nullptr);

    // The lookup is asked once per computer, now.
    void setMacs(const QList<DiscoverableMac> &macs, const RequestLookup &lookup);

    TextLabel *countLabel() const;
    Card *emptyState() const { return m_empty; }
    // In the order shown.
    QList<DiscoveredMacRow *> rows() const;

    // "Searching", "1 computer", "3 computers".
    static QString countText(qsizetype count);

private:
    std::optional<DiscoverableMac> macWithId(const QUuid &id) const;
    DiscoveredMacRow *makeRow(const QUuid &id);

    IconProviderPtr m_icons;
    Actions m_actions;
    QList<DiscoverableMac> m_macs;
    SectionHeading *m_heading;
    Card *m_empty;
    KeyedRowList *m_list;
};

} // namespace verandel
