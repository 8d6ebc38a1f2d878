#include "settings/devices/DevicesView.h"

#include "common/DeviceRowCompact.h"
#include "common/PermissionGuidanceView.h"
#include "kit/Banner.h"
#include "kit/CapsuleBadge.h"
#include "kit/CapsuleButton.h"
#include "kit/Card.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "models/DevicesViewModel.h"
#include "settings/devices/DevicesScreenSummary.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace verandel {

namespace {

constexpr double emptyIconOpacity = 0.12;
constexpr int loadingSpacing = 8;
constexpr int progressWidth = 120;
constexpr int smallProgressWidth = 60;
constexpr int groupSpacing = 16;
constexpr int groupRowSpacing = 10;
constexpr int groupTitleSpacing = 2;
constexpr int hintSpacing = 14;

// Keeps a name from reordering the sentence around it.
QString isolated(const QString &name)
{
    return QChar(0x2068) + name + QChar(0x2069);
}

TextLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new TextLabel(TextStyle::Headline, ThemeColor::PrimaryText, parent);
    label->setText(text);
    label->setAccessibleName(text);
    return label;
}

} // namespace

DevicesView::DevicesView(DevicesViewModel *model, IconProviderPtr icons, bool performsRefreshOnAppear, QWidget *parent)
    : SettingsTabPage(QStringLiteral("Devices"), parent)
    , m_model(model)
    , m_icons(std::move(icons))
    , m_performsRefreshOnAppear(performsRefreshOnAppear)
    , m_error(new Banner(m_icons, column()))
    , m_undo(new Banner(m_icons, column()))
    , m_permissionCard(new Card(column()))
    , m_permission(new PermissionGuidanceView(m_icons, m_permissionCard))
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
    m_permissionCard->setContentsMargins({});
    auto *permissionLayout = new QVBoxLayout(m_permissionCard);
    permissionLayout->setContentsMargins({});
    permissionLayout->addWidget(m_permission);
    m_permissionCard->setLook({ThemeTint{ThemeColor::CardBackground, 0}, ThemeTint{ThemeColor::Separator, 0}});

    QVBoxLayout *layout = columnLayout();
    layout->addWidget(makeHeader());
    layout->addWidget(m_error);
    layout->addWidget(m_undo);
    layout->addWidget(m_permissionCard);
    m_hint = makeEmptyCard(QStringLiteral("dot.radiowaves.left.and.right"), QString(),
                           QStringLiteral("Pair devices in Bluetooth Settings, then allow transfer here."),
                           ThemeColor::Accent);
    static_cast<QHBoxLayout *>(m_hint->layout())->setSpacing(hintSpacing);
    layout->addWidget(m_hint);
    layout->addWidget(makeSharedSection());
    layout->addWidget(makeAvailableSection());
    layout->addStretch(1);

    auto *refreshShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    refreshShortcut->setContext(Qt::WindowShortcut);
    connect(refreshShortcut, &QShortcut::activated, this, [this] { runRefresh(); });

    if (model) {
        for (const auto signal : {&DevicesViewModel::verandelDevicesChanged, &DevicesViewModel::otherDevicesChanged,
                                  &DevicesViewModel::errorMessageChanged, &DevicesViewModel::isRefreshingChanged,
                                  &DevicesViewModel::bluetoothPermissionGuidanceStateChanged}) {
            connect(model, signal, this, &DevicesView::refresh);
        }
    }
    refresh();
}

QWidget *DevicesView::makeHeader()
{
    auto *header = new QWidget(column());
    auto *title = new TextLabel(TextStyle::Title, ThemeColor::PrimaryText, header);
    title->setText(QStringLiteral("Devices"));
    title->setAccessibleName(title->fullText());
    m_summary = new CapsuleBadge(m_icons, header);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins({});
    row->setSpacing(Metrics::sectionSpacing);
    row->addWidget(title, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_summary, 0, Qt::AlignVCenter);
    return header;
}

Card *DevicesView::makeEmptyCard(const QString &iconName, const QString &title, const QString &message, ThemeColor tint)
{
    auto *card = new Card(column());
    card->setContentsMargins({});
    card->setAccessibleName(title.isEmpty() ? message : title);
    auto *icon = new IconView(m_icons, iconName, Metrics::iconInCircle, card);
    icon->setColor(tint);
    icon->setCircle(Metrics::iconCircle, emptyIconOpacity);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(Metrics::rowDetailSpacing);
    if (!title.isEmpty()) {
        auto *titleLabel = new TextLabel(TextStyle::Body, ThemeColor::PrimaryText, card);
        titleLabel->setFontWeight(QFont::DemiBold);
        titleLabel->setText(title);
        titleLabel->setWordWrap(true);
        texts->addWidget(titleLabel);
    }
    auto *messageLabel = new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, card);
    messageLabel->setText(message);
    messageLabel->setWordWrap(true);
    texts->addWidget(messageLabel);
    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(Metrics::cardPadding, Metrics::cardPadding, Metrics::cardPadding, Metrics::cardPadding);
    row->setSpacing(Metrics::rowSpacing);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    return card;
}

QWidget *DevicesView::makeSharedSection()
{
    auto *section = new QWidget(column());
    m_sharedCount = new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, section);
    auto *headingRow = new QHBoxLayout;
    headingRow->setSpacing(Metrics::sectionSpacing);
    headingRow->addWidget(heading(QStringLiteral("Allowed for Transfer"), section), 0, Qt::AlignBaseline);
    headingRow->addStretch(1);
    headingRow->addWidget(m_sharedCount, 0, Qt::AlignBaseline);

    m_sharedEmpty
        = makeEmptyCard(QStringLiteral("square.stack.3d.up"), QStringLiteral("No devices allowed for transfer yet"),
                        QStringLiteral("Devices you allow for transfer will appear here."), ThemeColor::SecondaryText);
    m_sharedEmpty->setParent(section);
    m_sharedList = new Card(section);
    m_sharedList->setContentsMargins({});
    m_sharedList->setAccessibleName(QStringLiteral("Devices allowed for transfer"));
    m_sharedLayout = new QVBoxLayout(m_sharedList);
    m_sharedLayout->setContentsMargins(Metrics::cardPadding, Metrics::cardPadding, Metrics::cardPadding,
                                       Metrics::cardPadding);
    m_sharedLayout->setSpacing(Metrics::rowSpacing);

    auto *column = new QVBoxLayout(section);
    column->setContentsMargins({});
    column->setSpacing(Metrics::sectionSpacing);
    column->addLayout(headingRow);
    column->addWidget(m_sharedEmpty);
    column->addWidget(m_sharedList);
    return section;
}

QWidget *DevicesView::makeGroup(const QString &title, const QString &caption, QVBoxLayout *&rows)
{
    auto *group = new QWidget(m_availableList);
    auto *titleLabel = new TextLabel(TextStyle::Subheadline, ThemeColor::PrimaryText, group);
    titleLabel->setFontWeight(QFont::DemiBold);
    titleLabel->setText(title);
    auto *captionLabel = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, group);
    captionLabel->setText(caption);
    rows = new QVBoxLayout;
    rows->setSpacing(Metrics::rowSpacing);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(groupTitleSpacing);
    titles->addWidget(titleLabel);
    titles->addWidget(captionLabel);
    auto *column = new QVBoxLayout(group);
    column->setContentsMargins({});
    column->setSpacing(groupRowSpacing);
    column->addLayout(titles);
    column->addLayout(rows);
    group->setAccessibleName(title);
    return group;
}

QWidget *DevicesView::makeAvailableSection()
{
    auto *section = new QWidget(column());
    m_availableCount = new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, section);
    m_refreshButton = new CapsuleButton(QStringLiteral("Refresh"), CapsuleButton::Kind::Bordered, section);
    m_refreshButton->setControlSize(CapsuleButton::Size::Small);
    m_refreshButton->setToolTip(Qt::convertFromPlainText(QStringLiteral("Refresh the paired device list")));
    connect(m_refreshButton, &CapsuleButton::clicked, this, [this] { runRefresh(); });
    m_refreshProgress = new QProgressBar(section);
    m_refreshProgress->setRange(0, 0);
    m_refreshProgress->setTextVisible(false);
    m_refreshProgress->setFixedWidth(smallProgressWidth);
    m_refreshProgress->setAccessibleName(QStringLiteral("Refreshing devices"));
    auto *headingRow = new QHBoxLayout;
    headingRow->setSpacing(Metrics::sectionSpacing);
    headingRow->addWidget(heading(QStringLiteral("Available on This Computer"), section), 0, Qt::AlignVCenter);
    headingRow->addStretch(1);
    headingRow->addWidget(m_availableCount, 0, Qt::AlignVCenter);
    headingRow->addWidget(m_refreshButton, 0, Qt::AlignVCenter);
    headingRow->addWidget(m_refreshProgress, 0, Qt::AlignVCenter);

    m_loading = new Card(section);
    // Padding on the layout, not the frame: a style change sets a frame's margins again from its size, and
    // margins taller than an unshown widget's default height were lost that way.
    m_loading->setContentsMargins({});
    m_loading->setAccessibleName(QStringLiteral("Loading devices"));
    auto *progress = new QProgressBar(m_loading);
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setFixedWidth(progressWidth);
    auto *loadingText = new TextLabel(TextStyle::Body, ThemeColor::SecondaryText, m_loading);
    loadingText->setText(QStringLiteral("Loading devices…"));
    auto *loadingLayout = new QVBoxLayout(m_loading);
    loadingLayout->setContentsMargins(Metrics::cardPadding, Metrics::loadingVerticalPadding, Metrics::cardPadding,
                                      Metrics::loadingVerticalPadding);
    loadingLayout->setSpacing(loadingSpacing);
    loadingLayout->addWidget(progress, 0, Qt::AlignHCenter);
    loadingLayout->addWidget(loadingText, 0, Qt::AlignHCenter);

    m_availableEmpty = makeEmptyCard(QStringLiteral("bluetooth.slash"), QStringLiteral("No more paired devices found"),
                                     QStringLiteral("Pair a Bluetooth device in Bluetooth Settings to see it here."),
                                     ThemeColor::SecondaryText);
    m_availableEmpty->setParent(section);

    m_availableList = new Card(section);
    m_availableList->setContentsMargins({});
    m_availableList->setAccessibleName(QStringLiteral("Available devices"));
    m_recommended = makeGroup(QStringLiteral("Ready for transfer"), QStringLiteral("Recommended"), m_recommendedLayout);
    m_groupDivider = new QFrame(m_availableList);
    static_cast<QFrame *>(m_groupDivider)->setFrameShape(QFrame::HLine);
    static_cast<QFrame *>(m_groupDivider)->setFrameShadow(QFrame::Plain);
    m_groupDivider->setForegroundRole(QPalette::Mid);
    m_experimental
        = makeGroup(QStringLiteral("Experimental"), QStringLiteral("May be less reliable"), m_experimentalLayout);
    auto *groups = new QVBoxLayout(m_availableList);
    groups->setContentsMargins(Metrics::cardPadding, Metrics::cardPadding, Metrics::cardPadding, Metrics::cardPadding);
    groups->setSpacing(groupSpacing);
    groups->addWidget(m_recommended);
    groups->addWidget(m_groupDivider);
    groups->addWidget(m_experimental);

    auto *column = new QVBoxLayout(section);
    column->setContentsMargins({});
    column->setSpacing(Metrics::sectionSpacing);
    column->addLayout(headingRow);
    column->addWidget(m_loading);
    column->addWidget(m_availableEmpty);
    column->addWidget(m_availableList);
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

QList<DeviceRowCompact *> DevicesView::rowsIn(const QVBoxLayout *layout)
{
    QList<DeviceRowCompact *> rows;
    for (int i = 0; i < layout->count(); ++i) {
        if (auto *row = qobject_cast<DeviceRowCompact *>(layout->itemAt(i)->widget())) {
            rows.append(row);
        }
    }
    return rows;
}

QList<DeviceRowCompact *> DevicesView::sharedRows() const
{
    return rowsIn(m_sharedLayout);
}

QList<DeviceRowCompact *> DevicesView::recommendedRows() const
{
    return rowsIn(m_recommendedLayout);
}

QList<DeviceRowCompact *> DevicesView::experimentalRows() const
{
    return rowsIn(m_experimentalLayout);
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
    m_permissionCard->setVisible(card.has_value());
    m_hint->setVisible(m_model->totalDeviceCount() == 0);

    m_sharedCount->setText(DevicesScreenSummary::sharedCountText(shared.size()));
    m_sharedEmpty->setVisible(shared.isEmpty());
    m_sharedList->setVisible(!shared.isEmpty());
    syncRows(m_sharedRows, m_sharedLayout, shared, DeviceRowCompactMode::Shared);

    m_availableCount->setText(DevicesScreenSummary::availableCountText(available.size()).value_or(QString()));
    m_refreshButton->setVisible(!refreshing);
    m_refreshProgress->setVisible(refreshing);
    m_availableState = availableStateFor(refreshing, m_model->totalDeviceCount(), available.size());
    m_loading->setVisible(m_availableState == AvailableState::Loading);
    m_availableEmpty->setVisible(m_availableState == AvailableState::Empty);
    m_availableList->setVisible(m_availableState == AvailableState::List);
    m_recommended->setVisible(!recommended.isEmpty());
    m_experimental->setVisible(!experimental.isEmpty());
    m_groupDivider->setVisible(!recommended.isEmpty() && !experimental.isEmpty());
    // One table for both groups: a device that becomes supported keeps its card.
    RowTable kept;
    for (const auto &[layout, states] :
         {std::pair{m_recommendedLayout, recommended}, {m_experimentalLayout, experimental}}) {
        RowTable group;
        for (const DeviceState &state : states) {
            if (DeviceRowCompact *row = m_availableRows.take(state.macAddress())) {
                group.insert(state.macAddress(), row);
            }
        }
        syncRows(group, layout, states, DeviceRowCompactMode::Available);
        kept.insert(group);
    }
    dropRows(m_availableRows);
    m_availableRows = std::move(kept);
}

void DevicesView::refreshBanners()
{
    const std::optional<QString> error = m_model->errorMessage();
    m_error->setContent(QStringLiteral("exclamationmark.triangle.fill"), ThemeColor::Orange,
                        QStringLiteral("Couldn’t update devices"), error.value_or(QString()));
    m_error->setVisible(error.has_value());

    const QList<DeviceState> shared = m_model->verandelDevices();
    const bool stillShared
        = m_recentlyStopped && std::any_of(shared.cbegin(), shared.cend(), [this](const DeviceState &state) {
              return state.macAddress() == m_recentlyStopped->macAddress();
          });
    if (m_recentlyStopped) {
        m_undo->setContent(QStringLiteral("arrow.uturn.backward.circle.fill"), ThemeColor::Accent,
                           QStringLiteral("Stopped transfer for ") + isolated(m_recentlyStopped->displayName()),
                           QStringLiteral("You can allow transfer again any time, or undo this change now."));
    }
    m_undo->setVisible(m_recentlyStopped && !stillShared);
    m_undo->actionButton()->setEnabled(!m_model->isRefreshing());
}

void DevicesView::syncRows(RowTable &rows, QVBoxLayout *layout, const QList<DeviceState> &states,
                           DeviceRowCompactMode mode)
{
    const bool disabled = m_model->isRefreshing();
    RowTable kept;
    for (const DeviceState &state : states) {
        const QString address = state.macAddress();
        if (kept.contains(address)) {
            continue; // one card per device, even if a list holds it twice
        }
        DeviceRowCompact *row = rows.take(address);
        if (!row) {
            row = new DeviceRowCompact(m_icons, layout->parentWidget());
            row->setObjectName(
                (mode == DeviceRowCompactMode::Shared ? QStringLiteral("shared-") : QStringLiteral("available-"))
                + address);
            if (mode == DeviceRowCompactMode::Shared) {
                connect(row, &DeviceRowCompact::stopSharingClicked, this, [this, address] {
                    const QList<DeviceState> shared = m_model ? m_model->verandelDevices() : QList<DeviceState>();
                    for (const DeviceState &candidate : shared) {
                        if (candidate.macAddress() == address) {
                            stopSharing(candidate);
                            return;
                        }
                    }
                });
            } else {
                connect(row, &DeviceRowCompact::shareClicked, this, [this, address] {
                    const QList<DeviceState> paired = m_model ? m_model->otherDevices() : QList<DeviceState>();
                    for (const DeviceState &candidate : paired) {
                        if (candidate.macAddress() == address) {
                            share(candidate.device());
                            return;
                        }
                    }
                });
            }
        }
        layout->removeWidget(row);
        layout->insertWidget(int(kept.size()), row);
        row->setParent(layout->parentWidget());
        row->setDeviceState(state, mode);
        row->setInteractionDisabled(disabled);
        row->show();
        kept.insert(address, row);
    }
    dropRows(rows);
    rows = std::move(kept);
}

void DevicesView::dropRows(const RowTable &rows)
{
    // Out of its layout now, deleted later: the row whose click led here may still be in its handler.
    for (DeviceRowCompact *row : rows) {
        row->hide();
        row->setParent(nullptr);
        row->deleteLater();
    }
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
