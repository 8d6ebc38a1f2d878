#pragma once

#include "common/DeviceRowCompactMode.h"
#include "kit/IconProvider.h"
#include "settings/SettingsTabPage.h"

#include "foundation/ClockProtocol.h"
#include "records/DeviceState.h"

#include <QCoro/QCoroTask>
#include <QPointer>

namespace verandel {

class Banner;
class BusyBar;
class CapsuleBadge;
class CapsuleButton;
class Card;
class DeviceRowCompact;
class DevicesViewModel;
class EmptyStateCard;
class KeyedRowList;
class PermissionGuidanceView;
class SectionHeading;

// The Devices tab: a summary, the model's error, an undo notice for the device just stopped, the
// Bluetooth card, a hint while nothing is known, the devices allowed for transfer and the paired ones
// that are not (recommended first, then experimental), in one scrolling column. It refreshes each time
// it is shown and on Ctrl+R. Rows are kept per device and list, and updated in place.
class DevicesView : public SettingsTabPage
{
    Q_OBJECT

public:
    enum class AvailableState { Loading, Empty, List };

    // The clock moves the busy lines; none leaves them standing.
    DevicesView(DevicesViewModel *model, IconProviderPtr icons, ClockPtr clock, bool performsRefreshOnAppear,
                QWidget *parent = nullptr);

    // The paired devices not allowed yet, supported and connected first, then by name (stable).
    static QList<DeviceState> availableDevices(const QList<DeviceState> &otherDevices);
    // Loading only while a refresh runs and nothing at all is known.
    static AvailableState availableStateFor(bool refreshing, qsizetype totalDeviceCount, qsizetype availableCount);

    AvailableState availableState() const { return m_availableState; }
    std::optional<DeviceState> recentlyStoppedSharedDevice() const { return m_recentlyStopped; }

    CapsuleBadge *summaryBadge() const { return m_summary; }
    Banner *errorBanner() const { return m_error; }
    Banner *undoBanner() const { return m_undo; }
    PermissionGuidanceView *permissionView() const { return m_permission; }
    EmptyStateCard *hintCard() const { return m_hint; }
    SectionHeading *sharedHeading() const { return m_sharedHeading; }
    EmptyStateCard *sharedEmptyCard() const { return m_sharedEmpty; }
    KeyedRowList *sharedList() const { return m_sharedList; }
    SectionHeading *availableHeading() const { return m_availableHeading; }
    CapsuleButton *refreshButton() const { return m_refreshButton; }
    Card *loadingCard() const { return m_loading; }
    EmptyStateCard *availableEmptyCard() const { return m_availableEmpty; }
    QWidget *recommendedGroup() const { return m_recommended; }
    QWidget *experimentalGroup() const { return m_experimental; }
    // In the order shown.
    QList<DeviceRowCompact *> sharedRows() const;
    QList<DeviceRowCompact *> recommendedRows() const;
    QList<DeviceRowCompact *> experimentalRows() const;

public Q_SLOTS:
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    EmptyStateCard *makeEmptyCard(const QString &iconName, const QString &title, const QString &hint);
    QWidget *makeSharedSection();
    QWidget *makeAvailableSection();
    QWidget *makeGroup(const QString &title, const QString &caption, KeyedRowList *&list);
    KeyedRowList *makeList(DeviceRowCompactMode mode, QWidget *parent);
    void refreshBanners();
    void showRows(KeyedRowList *list, const QList<DeviceState> &states, DeviceRowCompactMode mode);
    std::optional<DeviceState> findShown(const QString &macAddress, DeviceRowCompactMode mode) const;

    void share(const Device &device);
    void stopSharing(const DeviceState &state);
    void undoStopSharing();
    QCoro::Task<> runRefresh();

    QPointer<DevicesViewModel> m_model;
    IconProviderPtr m_icons;
    ClockPtr m_clock;
    bool m_performsRefreshOnAppear;
    std::optional<DeviceState> m_recentlyStopped;
    AvailableState m_availableState = AvailableState::Empty;

    CapsuleBadge *m_summary = nullptr;
    Banner *m_error;
    Banner *m_undo;
    PermissionGuidanceView *m_permission;
    EmptyStateCard *m_hint = nullptr;
    SectionHeading *m_sharedHeading = nullptr;
    EmptyStateCard *m_sharedEmpty = nullptr;
    KeyedRowList *m_sharedList = nullptr;
    SectionHeading *m_availableHeading = nullptr;
    CapsuleButton *m_refreshButton = nullptr;
    BusyBar *m_refreshProgress = nullptr;
    Card *m_loading = nullptr;
    EmptyStateCard *m_availableEmpty = nullptr;
    QWidget *m_recommended = nullptr;
    KeyedRowList *m_recommendedList = nullptr;
    QWidget *m_experimental = nullptr;
    KeyedRowList *m_experimentalList = nullptr;
};

} // namespace verandel
