#pragma once

#include "common/DeviceRowCompactMode.h"
#include "kit/IconProvider.h"
#include "kit/ThemeColor.h"
#include "settings/SettingsTabPage.h"

#include "records/DeviceState.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QPointer>

class QProgressBar;
class QVBoxLayout;

namespace verandel {

class Banner;
class CapsuleBadge;
class CapsuleButton;
class Card;
class DeviceRowCompact;
class DevicesViewModel;
class PermissionGuidanceView;
class TextLabel;

// The Devices tab: a summary, the model's error, an undo notice for the device just stopped, the
// Bluetooth card, a hint while nothing is known, the devices allowed for transfer and the paired ones
// that are not (recommended first, then experimental), in one scrolling column. It refreshes each time
// it is shown and on Ctrl+R. Cards are kept per device and list, and updated in place.
class DevicesView : public SettingsTabPage
{
    Q_OBJECT

public:
    enum class AvailableState { Loading, Empty, List };

    DevicesView(DevicesViewModel *model, IconProviderPtr icons, bool performsRefreshOnAppear,
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
    Card *permissionCard() const { return m_permissionCard; }
    PermissionGuidanceView *permissionView() const { return m_permission; }
    Card *hintCard() const { return m_hint; }
    TextLabel *sharedCountLabel() const { return m_sharedCount; }
    Card *sharedEmptyCard() const { return m_sharedEmpty; }
    Card *sharedList() const { return m_sharedList; }
    TextLabel *availableCountLabel() const { return m_availableCount; }
    CapsuleButton *refreshButton() const { return m_refreshButton; }
    Card *loadingCard() const { return m_loading; }
    Card *availableEmptyCard() const { return m_availableEmpty; }
    Card *availableList() const { return m_availableList; }
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
    using RowTable = QHash<QString, DeviceRowCompact *>;

    QWidget *makeHeader();
    Card *makeEmptyCard(const QString &iconName, const QString &title, const QString &message, ThemeColor tint);
    QWidget *makeSharedSection();
    QWidget *makeAvailableSection();
    QWidget *makeGroup(const QString &title, const QString &caption, QVBoxLayout *&rows);
    void refreshBanners();
    void syncRows(RowTable &rows, QVBoxLayout *layout, const QList<DeviceState> &states, DeviceRowCompactMode mode);
    static QList<DeviceRowCompact *> rowsIn(const QVBoxLayout *layout);
    static void dropRows(const RowTable &rows);

    void share(const Device &device);
    void stopSharing(const DeviceState &state);
    void undoStopSharing();
    QCoro::Task<> runRefresh();

    QPointer<DevicesViewModel> m_model;
    IconProviderPtr m_icons;
    bool m_performsRefreshOnAppear;
    std::optional<DeviceState> m_recentlyStopped;
    AvailableState m_availableState = AvailableState::Empty;
    RowTable m_sharedRows;
    RowTable m_availableRows;

    CapsuleBadge *m_summary = nullptr;
    Banner *m_error;
    Banner *m_undo;
    Card *m_permissionCard;
    PermissionGuidanceView *m_permission;
    Card *m_hint = nullptr;
    TextLabel *m_sharedCount = nullptr;
    Card *m_sharedEmpty = nullptr;
    Card *m_sharedList = nullptr;
    QVBoxLayout *m_sharedLayout = nullptr;
    TextLabel *m_availableCount = nullptr;
    CapsuleButton *m_refreshButton = nullptr;
    QProgressBar *m_refreshProgress = nullptr;
    Card *m_loading = nullptr;
    Card *m_availableEmpty = nullptr;
    Card *m_availableList = nullptr;
    QWidget *m_recommended = nullptr;
    QVBoxLayout *m_recommendedLayout = nullptr;
    QWidget *m_groupDivider = nullptr;
    QWidget *m_experimental = nullptr;
    QVBoxLayout *m_experimentalLayout = nullptr;
};

} // namespace verandel
