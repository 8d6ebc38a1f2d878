#pragma once

#include "foundation/ClockProtocol.h"
#include "kit/IconProvider.h"
#include "settings/SettingsTabPage.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QUuid>
#include <QWidget>

class QLabel;

namespace verandel {

class Banner;
class CapsuleBadge;
class Card;
class ConnectedMacRow;
class ConnectedMacsViewModel;
class DiscoveryModeView;
class IconView;
class KeyedRowList;
class SectionHeading;
class TextLabel;

// The Linked Computers tab: a summary of how many computers are linked, Discovery Mode, and the list of
// linked computers (or its loading and empty states), in one scrolling column. It refreshes the list
// each time it is shown and on Ctrl+R, and ends Discovery Mode when it is hidden (another tab, or the
// window closed; minimising is not leaving). Rows are kept per computer, so a row confirming its
// removal stays as it is while the list changes around it. Failures of the model's operations show in
// a banner above Discovery Mode until dismissed.
class ConnectedMacsView : public SettingsTabPage
{
    Q_OBJECT

public:
    enum class ListState { Loading, Empty, List };

    // The clock moves the busy line; none leaves it standing.
    ConnectedMacsView(ConnectedMacsViewModel *model, IconProviderPtr icons, ClockPtr clock, bool performsInitialRefresh,
                      QWidget *parent = nullptr);

    // Loading only while the first listing is still out; a refresh keeps a list that is there.
    static ListState listStateFor(bool modelRefreshing, qsizetype connectedCount);

    ListState listState() const { return m_listState; }
    // True while a refresh this view started runs.
    bool isRefreshing() const { return m_refreshing; }

    CapsuleBadge *summaryBadge() const { return m_summary; }
    QWidget *refreshingLine() const { return m_refreshingLine; }
    Banner *errorBanner() const { return m_error; }
    DiscoveryModeView *discoveryModeView() const { return m_discovery; }
    TextLabel *countLabel() const;
    Card *loadingCard() const { return m_loading; }
    Card *emptyCard() const { return m_empty; }
    // In the order shown.
    QList<ConnectedMacRow *> rows() const;

public Q_SLOTS:
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void makeHeader();
    QWidget *makeListSection();
    void refreshRows();
    QCoro::Task<> refreshConnections();
    ConnectedMacRow *makeRow(const QUuid &id);

    QPointer<ConnectedMacsViewModel> m_model;
    IconProviderPtr m_icons;
    ClockPtr m_clock;
    bool m_performsInitialRefresh;
    bool m_refreshing = false;
    ListState m_listState = ListState::Empty;

    CapsuleBadge *m_summary = nullptr;
    QWidget *m_refreshingLine = nullptr;
    Banner *m_error;
    DiscoveryModeView *m_discovery;
    SectionHeading *m_heading = nullptr;
    Card *m_loading = nullptr;
    Card *m_empty = nullptr;
    KeyedRowList *m_list = nullptr;
};

} // namespace verandel
