#include "settings/devices/DevicesView.h"

#include "common/BusyAnimation.h"
#include "common/DeviceRowCompact.h"
#include "common/PermissionGuidanceView.h"
#include "kit/Banner.h"
#include "kit/BusyBar.h"
#include "kit/CapsuleBadge.h"
#include "kit/CapsuleButton.h"
#include "kit/Card.h"
#include "kit/EmptyStateCard.h"
#include "kit/KeyedRowList.h"
#include "kit/Metrics.h"
#include "kit/SectionHeading.h"
#include "kit/TextLabel.h"
#include "kit/UntrustedText.h"
#include "models/DevicesViewModel.h"
#include "settings/devices/DevicesScreenSummary.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace verandel {

namespace {

constexpr int loadingSpacing = 8;
constexpr int groupTitleSpacing = 2;

QString keyOf(const DeviceState &state)
{
    return state.macAddress();
}

} // namespace

DevicesView::DevicesView(DevicesViewModel *model, IconProviderPtr icons, ClockPtr clock, bool performsRefreshOnAppear,
                         QWidget *parent)
    : SettingsTabPage(QStringLiteral("Devices"), parent)
    , m_model(model)
    , m_icons(std::move(icons))
    , m_clock(std::move(clock))
    , m_performsRefreshOnAppear(performsRefreshOnAppear)
    , m_error(new Banner(m_icons, column()))
    , m_undo(new Banner(m_icons, column()))
    , m_permission(new PermissionGuidanceView(m_icons, column()))
{
    m_error->setDismissible(true);
    m_error->hide();
    connect(m_error, &Banner::dismissed, this, [this] {
        if (m_model) {
            m_model->clearError();
        }
    });
    m_undo->setDismissible(true);
    m_undo->setActionText(QStringLiteral("Undo"));
    m_undo->hide();
    connect(m_undo, &Banner::actionClicked, this, &DevicesView::undoStopSharing);
    connect(m_undo, &Banner::dismissed, this, [this] {
        m_recentlyStopped.reset();
        refresh();
    });
    m_hint = makeEmptyCard(QStringLiteral("dot.radiowaves.left.and.right"), QString(),
                           QStringLiteral("Pair devices in Bluetooth Settings, then allow transfer here."));
    m_hint->titleLabel()->hide();

    m_summary = new CapsuleBadge(m_icons);
    addHeader(QStringLiteral("Devices"),
              QStringLiteral("Choose which Bluetooth devices can move between linked computers."), m_summary);
    QVBoxLayout *layout = columnLayout();
    layout->addWidget(m_error);
    layout->addWidget(m_undo);
    layout->addWidget(m_permission);
    layout->addWidget(m_hint);
    layout->addWidget(makeSharedSection());
    layout->addWidget(makeAvailableSection());
    layout->addStretch(1);

    auto *refreshShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    refreshShortcut->setContext(Qt::WindowShortcut);
    connect(refreshShortcut, &QShortcut::activated, this, [this] { runRefresh(); });

    if (model) {
        using Signal = void (DevicesViewModel::*)();
        for (const Signal signal :
             {Signal(&DevicesViewModel::verandelDevicesChanged), &DevicesViewModel::otherDevicesChanged,
              &DevicesViewModel::errorMessageChanged, &DevicesViewModel::isRefreshingChanged,
              &DevicesViewModel::bluetoothPermissionGuidanceStateChanged}) {
            connect(model, signal, this, &DevicesView::refresh);
        }
    }
    refresh();
}

EmptyStateCard *DevicesView::makeEmptyCard(const QString &iconName, const QString &title, const QString &hint)
{
    auto *card = new EmptyStateCard(m_icons, iconName, EmptyStateCard::Symbol::Circled, column());
    card->setTexts(title, hint);
    if (title.isEmpty()) {
        card->setAccessibleName(hint);
    }
    return card;
}

KeyedRowList *DevicesView::makeList(DeviceRowCompactMode mode, QWidget *parent)
{
    return new KeyedRowList(
        [this, mode](const QString &address) {
            auto *row = new DeviceRowCompact(m_icons);
            row->setObjectName(
                (mode == DeviceRowCompactMode::Shared ? QStringLiteral("shared-") : QStringLiteral("available-"))
                + address);
            // The row announces; what it stands for is looked up when clicked, as the lists change.
            connect(row, &DeviceRowCompact::stopSharingClicked, this, [this, address, mode] {
                if (const std::optional<DeviceState> state = findShown(address, mode)) {
                    stopSharing(*state);
                }
            });
            connect(row, &DeviceRowCompact::shareClicked, this, [this, address, mode] {
                if (const std::optional<DeviceState> state = findShown(address, mode)) {
                    share(state->device());
                }
            });
            return row;
        },
        parent);
}

QWidget *DevicesView::makeSharedSection()
{
    auto *section = new QWidget(column());
    m_sharedHeading = new SectionHeading(QStringLiteral("Allowed for Transfer"), section);
    m_sharedEmpty
        = makeEmptyCard(QStringLiteral("square.stack.3d.up"), QStringLiteral("No devices allowed for transfer yet"),
                        QStringLiteral("Devices you allow for transfer will appear here."));
    m_sharedEmpty->setParent(section);
    m_sharedList = makeList(DeviceRowCompactMode::Shared, section);
    m_sharedList->setAccessibleName(QStringLiteral("Devices allowed for transfer"));

    auto *sectionLayout = new QVBoxLayout(section);
    sectionLayout->setContentsMargins({});
    sectionLayout->setSpacing(Metrics::sectionSpacing);
    sectionLayout->addWidget(m_sharedHeading);
    sectionLayout->addWidget(m_sharedEmpty);
    sectionLayout->addWidget(m_sharedList);
    return section;
}

QWidget *DevicesView::makeGroup(const QString &title, const QString &caption, KeyedRowList *&list)
{
    auto *group = new QWidget(column());
    auto *titleLabel = new TextLabel(TextStyle::Subheadline, ThemeColor::PrimaryText, group);
    titleLabel->setFontWeight(QFont::DemiBold);
    titleLabel->setText(title);
    auto *captionLabel = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, group);
    captionLabel->setText(caption);
    list = makeList(DeviceRowCompactMode::Available, group);
    list->setAccessibleName(title);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(groupTitleSpacing);
    titles->addWidget(titleLabel);
    titles->addWidget(captionLabel);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins({});
    groupLayout->setSpacing(Metrics::stepSpacing);
    groupLayout->addLayout(titles);
    groupLayout->addWidget(list);
    return group;
}

QWidget *DevicesView::makeAvailableSection()
{
    auto *section = new QWidget(column());
    m_availableHeading = new SectionHeading(QStringLiteral("Available on This Computer"), section);
    m_refreshButton = new CapsuleButton(QStringLiteral("Refresh"), CapsuleButton::Kind::Bordered, section);
    m_refreshButton->setControlSize(CapsuleButton::Size::Small);
    m_refreshButton->setToolTip(UntrustedText::toolTip(QStringLiteral("Refresh the paired device list")));
    connect(m_refreshButton, &CapsuleButton::clicked, this, [this] { runRefresh(); });
    m_refreshProgress = new BusyBar(Metrics::busyBarWidth, section);
    BusyAnimation::drive(m_clock, m_refreshProgress);
    m_refreshProgress->setAccessibleName(QStringLiteral("Refreshing devices"));
    auto *headingRow = new QHBoxLayout;
    headingRow->setSpacing(Metrics::sectionSpacing);
    headingRow->addWidget(m_availableHeading, 1, Qt::AlignVCenter);
    headingRow->addWidget(m_refreshButton, 0, Qt::AlignVCenter);
    headingRow->addWidget(m_refreshProgress, 0, Qt::AlignVCenter);

    m_loading = new Card(section);
    m_loading->setContentsMargins(Metrics::cardPadding, Metrics::loadingVerticalPadding, Metrics::cardPadding,
                                  Metrics::loadingVerticalPadding);
    m_loading->setAccessibleName(QStringLiteral("Loading devices"));
    auto *progress = new BusyBar(Metrics::loadingBusyBarWidth, m_loading);
    BusyAnimation::drive(m_clock, progress);
    auto *loadingText = new TextLabel(TextStyle::Body, ThemeColor::SecondaryText, m_loading);
    loadingText->setText(QStringLiteral("Loading devices…"));
    auto *loadingLayout = new QVBoxLayout(m_loading);
    loadingLayout->setContentsMargins({});
    loadingLayout->setSpacing(loadingSpacing);
    loadingLayout->addWidget(progress, 0, Qt::AlignHCenter);
    loadingLayout->addWidget(loadingText, 0, Qt::AlignHCenter);

    m_availableEmpty = makeEmptyCard(QStringLiteral("bluetooth.slash"), QStringLiteral("No more paired devices found"),
                                     QStringLiteral("Pair a Bluetooth device in Bluetooth Settings to see it here."));
    m_availableEmpty->setParent(section);
    m_recommended = makeGroup(QStringLiteral("Ready for transfer"), QStringLiteral("Recommended"), m_recommendedList);
    m_recommended->setParent(section);
    m_experimental
        = makeGroup(QStringLiteral("Experimental"), QStringLiteral("May be less reliable"), m_experimentalList);
    m_experimental->setParent(section);

    auto *sectionLayout = new QVBoxLayout(section);
    sectionLayout->setContentsMargins({});
    sectionLayout->setSpacing(Metrics::sectionSpacing);
    sectionLayout->addLayout(headingRow);
    sectionLayout->addWidget(m_loading);
    sectionLayout->addWidget(m_availableEmpty);
    sectionLayout->addWidget(m_recommended);
    sectionLayout->addWidget(m_experimental);
    return section;
}

QList<DeviceState> DevicesView::availableDevices(const QList<DeviceState> &otherDevices)
{
    QList<DeviceState> available;
    std::copy_if(otherDevices.cbegin(), otherDevices.cend(), std::back_inserter(available),
                 [](const DeviceState &state) { return state.sharingStatus() == SharingStatus::Local; });
    std::stable_sort(available.begin(), available.end());
    return available;
}

DevicesView::AvailableState DevicesView::availableStateFor(bool refreshing, qsizetype totalDeviceCount,
                                                           qsizetype availableCount)
{
    if (refreshing && totalDeviceCount == 0) {
        return AvailableState::Loading;
    }
    return availableCount == 0 ? AvailableState::Empty : AvailableState::List;
}

QList<DeviceRowCompact *> DevicesView::sharedRows() const
{
    return m_sharedList->rowsAs<DeviceRowCompact>();
}

QList<DeviceRowCompact *> DevicesView::recommendedRows() const
{
    return m_recommendedList->rowsAs<DeviceRowCompact>();
}

QList<DeviceRowCompact *> DevicesView::experimentalRows() const
{
    return m_experimentalList->rowsAs<DeviceRowCompact>();
}

std::optional<DeviceState> DevicesView::findShown(const QString &macAddress, DeviceRowCompactMode mode) const
{
    if (!m_model) {
        return std::nullopt;
    }
    const QList<DeviceState> states
        = mode == DeviceRowCompactMode::Shared ? m_model->verandelDevices() : m_model->otherDevices();
    const auto found = std::find_if(states.cbegin(), states.cend(), [&macAddress](const DeviceState &state) {
        return state.macAddress() == macAddress;
    });
    return found == states.cend() ? std::nullopt : std::optional<DeviceState>(*found);
}

void DevicesView::refresh()
{
    if (!m_model) {
        return;
    }
    const QList<DeviceState> shared = m_model->verandelDevices();
    const QList<DeviceState> available = availableDevices(m_model->otherDevices());
    QList<DeviceState> recommended;
    QList<DeviceState> experimental;
    for (const DeviceState &state : available) {
        (state.isSupported() ? recommended : experimental).append(state);
    }
    const bool refreshing = m_model->isRefreshing();

    const DevicesScreenSummary summary
        = DevicesScreenSummary::make(shared.size(), recommended.size(), experimental.size(), refreshing);
    m_summary->setContent(summary.title, summary.iconName, BadgeLook::tinted(summary.tint));
    refreshBanners();

    const std::optional<PermissionGuidanceConfiguration> card = m_model->permissionGuidanceConfiguration();
    if (card) {
        m_permission->setConfiguration(*card);
    }
    m_permission->setVisible(card.has_value());
    m_hint->setVisible(m_model->totalDeviceCount() == 0);

    m_sharedHeading->setCountText(DevicesScreenSummary::sharedCountText(shared.size()));
    m_sharedEmpty->setVisible(shared.isEmpty());
    m_sharedList->setVisible(!shared.isEmpty());
    showRows(m_sharedList, shared, DeviceRowCompactMode::Shared);

    m_availableHeading->setCountText(DevicesScreenSummary::availableCountText(available.size()).value_or(QString()));
    m_refreshButton->setVisible(!refreshing);
    m_refreshProgress->setVisible(refreshing);
    m_availableState = availableStateFor(refreshing, m_model->totalDeviceCount(), available.size());
    m_loading->setVisible(m_availableState == AvailableState::Loading);
    m_availableEmpty->setVisible(m_availableState == AvailableState::Empty);
    m_recommended->setVisible(m_availableState == AvailableState::List && !recommended.isEmpty());
    m_experimental->setVisible(m_availableState == AvailableState::List && !experimental.isEmpty());
    showRows(m_recommendedList, recommended, DeviceRowCompactMode::Available);
    showRows(m_experimentalList, experimental, DeviceRowCompactMode::Available);
}

void DevicesView::showRows(KeyedRowList *list, const QList<DeviceState> &states, DeviceRowCompactMode mode)
{
    list->setItems(states, keyOf);
    const bool disabled = m_model->isRefreshing();
    for (const DeviceState &state : states) {
        auto *row = static_cast<DeviceRowCompact *>(list->row(keyOf(state)));
        row->setDeviceState(state, mode);
        row->setInteractionDisabled(disabled);
    }
}

void DevicesView::refreshBanners()
{
    const std::optional<QString> error = m_model->errorMessage();
    m_error->setContent(QStringLiteral("exclamationmark.triangle.fill"), ThemeColor::Orange,
                        QStringLiteral("Couldn’t update devices"), error.value_or(QString()));
    m_error->setVisible(error.has_value());

    const bool stillShared
        = m_recentlyStopped && findShown(m_recentlyStopped->macAddress(), DeviceRowCompactMode::Shared).has_value();
    if (m_recentlyStopped) {
        m_undo->setContent(QStringLiteral("arrow.uturn.backward.circle.fill"), ThemeColor::Accent,
                           QStringLiteral("Stopped transfer for ")
                               + UntrustedText::isolated(m_recentlyStopped->displayName()),
                           QStringLiteral("You can allow transfer again any time, or undo this change now."));
    }
    m_undo->setVisible(m_recentlyStopped && !stillShared);
    m_undo->actionButton()->setEnabled(!m_model->isRefreshing());
}

void DevicesView::share(const Device &device)
{
    if (m_recentlyStopped && m_recentlyStopped->macAddress() == device.macAddress()) {
        m_recentlyStopped.reset();
        refresh();
    }
    if (m_model) {
        m_model->startSharing(device);
    }
}

void DevicesView::stopSharing(const DeviceState &state)
{
    m_recentlyStopped = state;
    refresh();
    if (m_model) {
        m_model->stopSharing(state.device());
    }
}

void DevicesView::undoStopSharing()
{
    if (!m_recentlyStopped) {
        return;
    }
    const Device device = m_recentlyStopped->device();
    m_recentlyStopped.reset();
    refresh();
    if (m_model) {
        m_model->startSharing(device);
    }
}

QCoro::Task<> DevicesView::runRefresh()
{
    const QPointer<DevicesViewModel> model(m_model);
    if (model) {
        co_await model->refreshDevices();
    }
}

void DevicesView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && m_performsRefreshOnAppear) {
        runRefresh();
    }
}

} // namespace verandel
