#include "settings/SettingsView.h"

#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "models/ConnectedMacsViewModel.h"
#include "models/DevicesViewModel.h"
#include "settings/SettingsSidebarRow.h"
#include "settings/devices/DevicesView.h"
#include "settings/general/GeneralSettingsView.h"
#include "settings/linked/ConnectedMacsView.h"

#include "foundation/StorageError.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int headerHorizontalPadding = 20;
constexpr int headerTopPadding = 24;
constexpr int headerBottomPadding = 18;
constexpr int headerSpacing = 4;
constexpr int tabListPadding = 12;
constexpr int tabListSpacing = 6;

} // namespace

SettingsView::SettingsView(SettingsTab initialSelectedTab, ConnectedMacsViewModel *connectedMacsViewModel,
                           DevicesViewModel *devicesViewModel, GeneralSettingsDependencies generalDependencies,
                           LaunchAtLoginServicePtr launchAtLoginService, IconProviderPtr icons, ClockPtr clock,
                           LoggerFactory &loggerFactory, QWidget *parent)
    : QWidget(parent)
    , m_logger(loggerFactory.createLogger(QStringLiteral("SettingsView")))
    , m_connectedMacsViewModel(connectedMacsViewModel)
    , m_devicesViewModel(devicesViewModel)
    , m_generalDependencies(std::move(generalDependencies))
    , m_launchAtLoginService(std::move(launchAtLoginService))
    , m_icons(std::move(icons))
    , m_clock(std::move(clock))
    , m_selectedTab(initialSelectedTab)
{
    setWindowTitle(QStringLiteral("Settings"));
    setMinimumSize(minimumWidth, minimumHeight);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    auto *detail = new QWidget(this);
    detail->setBackgroundRole(QPalette::Window);
    detail->setAutoFillBackground(true);
    m_detailLayout = new QVBoxLayout(detail);
    m_detailLayout->setContentsMargins({});

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins({});
    row->setSpacing(0);
    row->addWidget(makeSidebar());
    row->addWidget(divider);
    row->addWidget(detail, 1);

    selectTab(initialSelectedTab);
}

QWidget *SettingsView::makeSidebar()
{
    m_sidebar = new QWidget(this);
    m_sidebar->setFixedWidth(sidebarWidth);
    m_sidebar->setBackgroundRole(QPalette::Base);
    m_sidebar->setAutoFillBackground(true);
    m_sidebar->setAccessibleName(QStringLiteral("Settings sections"));

    auto *title = new TextLabel(TextStyle::Title, ThemeColor::PrimaryText, m_sidebar);
    title->setText(QStringLiteral("Settings"));
    auto *subtitle = new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, m_sidebar);
    subtitle->setText(QStringLiteral("Configure Verandel"));
    auto *header = new QVBoxLayout;
    header->setContentsMargins(headerHorizontalPadding, headerTopPadding, headerHorizontalPadding, headerBottomPadding);
    header->setSpacing(headerSpacing);
    header->addWidget(title);
    header->addWidget(subtitle);

    m_tabs = new QButtonGroup(this);
    m_tabs->setExclusive(true);
    auto *list = new QVBoxLayout;
    list->setContentsMargins(tabListPadding, 0, tabListPadding, 0);
    list->setSpacing(tabListSpacing);
    for (const SettingsTab tab : allSettingsTabs) {
        auto *tabRow = new SettingsSidebarRow(tab, m_icons, m_sidebar);
        m_tabs->addButton(tabRow, static_cast<int>(tab));
        list->addWidget(tabRow);
    }
    connect(m_tabs, &QButtonGroup::idClicked, this, [this](int id) { selectTab(static_cast<SettingsTab>(id)); });

    auto *column = new QVBoxLayout(m_sidebar);
    column->setContentsMargins({});
    column->setSpacing(0);
    column->addLayout(header);
    column->addLayout(list);
    column->addStretch(1);
    return m_sidebar;
}

SettingsSidebarRow *SettingsView::sidebarRow(SettingsTab tab) const
{
    return static_cast<SettingsSidebarRow *>(m_tabs->button(static_cast<int>(tab)));
}

void SettingsView::selectTab(SettingsTab tab)
{
    sidebarRow(tab)->setChecked(true);
    if (m_current && tab == m_selectedTab) {
        return;
    }
    m_selectedTab = tab;
    // Hidden before it goes: leaving Linked Computers ends Discovery Mode there, once.
    if (m_current) {
        m_current->hide();
        m_current->deleteLater();
    }
    m_current = makeTabView(tab);
    m_detailLayout->addWidget(m_current);
    m_current->show();
    Q_EMIT selectedTabChanged(tab);
}

QWidget *SettingsView::makeTabView(SettingsTab tab)
{
    switch (tab) {
    case SettingsTab::General: {
        auto *general = new GeneralSettingsView(m_generalDependencies, m_launchOnLogin, m_icons, m_clock);
        connect(general, &GeneralSettingsView::launchOnLoginToggled, this, &SettingsView::changeLaunchOnLogin);
        return general;
    }
    case SettingsTab::ConnectedMacs: return new ConnectedMacsView(m_connectedMacsViewModel, m_icons, m_clock, true);
    case SettingsTab::Devices: return new DevicesView(m_devicesViewModel, m_icons, m_clock, true);
    }
    return new QWidget;
}

void SettingsView::changeLaunchOnLogin(bool enabled)
{
    try {
        m_launchAtLoginService->setEnabled(enabled);
        setLaunchOnLogin(enabled);
    } catch (const std::exception &error) {
        // The switch shows what the system has now: an entry that is still there must not look removed.
        m_logger->warning(QStringLiteral("Failed to change launch at login: ") + describeError(error));
        setLaunchOnLogin(m_launchAtLoginService->isEnabled());
    }
}

void SettingsView::setLaunchOnLogin(bool enabled)
{
    m_launchOnLogin = enabled;
    if (auto *general = qobject_cast<GeneralSettingsView *>(m_current.data())) {
        general->setLaunchOnLogin(enabled);
    }
}

void SettingsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        setLaunchOnLogin(m_launchAtLoginService->isEnabled());
    }
}

} // namespace verandel
