#pragma once

#include "kit/IconProvider.h"
#include "models/SettingsTab.h"
#include "settings/general/GeneralSettingsDependencies.h"

#include "desktop/LaunchAtLoginServiceProtocol.h"
#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"

#include <QPointer>
#include <QWidget>

class QButtonGroup;
class QVBoxLayout;

namespace verandel {

class ConnectedMacsViewModel;
class DevicesViewModel;
class SettingsSidebarRow;

// The Settings window's content: a sidebar of the three tabs and the selected tab beside it. A tab is
// made anew each time it is selected (so the General tab reads its services again) and the one left is
// hidden and dropped, which ends Discovery Mode when it was Linked Computers. The window owns the
// launch-at-login switch: it reads the service each time it is shown and writes the user's flips.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int minimumWidth = 680;
    static constexpr int minimumHeight = 500;
    static constexpr int sidebarWidth = 200;

    SettingsView(SettingsTab initialSelectedTab, ConnectedMacsViewModel *connectedMacsViewModel,
                 DevicesViewModel *devicesViewModel, GeneralSettingsDependencies generalDependencies,
                 LaunchAtLoginServicePtr launchAtLoginService, IconProviderPtr icons, ClockPtr clock,
                 LoggerFactory &loggerFactory, QWidget *parent = nullptr);

    SettingsTab selectedTab() const { return m_selectedTab; }
    void selectTab(SettingsTab tab);
    bool launchOnLogin() const { return m_launchOnLogin; }

    QWidget *sidebar() const { return m_sidebar; }
    SettingsSidebarRow *sidebarRow(SettingsTab tab) const;
    // The shown tab's view (GeneralSettingsView, ConnectedMacsView or DevicesView).
    QWidget *currentTabView() const { return m_current; }

Q_SIGNALS:
    void selectedTabChanged(verandel::SettingsTab tab);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *makeSidebar();
    QWidget *makeTabView(SettingsTab tab);
    void setLaunchOnLogin(bool enabled);
    void changeLaunchOnLogin(bool enabled);

    LoggerPtr m_logger;
    QPointer<ConnectedMacsViewModel> m_connectedMacsViewModel;
    QPointer<DevicesViewModel> m_devicesViewModel;
    GeneralSettingsDependencies m_generalDependencies;
    LaunchAtLoginServicePtr m_launchAtLoginService;
    IconProviderPtr m_icons;
    ClockPtr m_clock;
    SettingsTab m_selectedTab;
    bool m_launchOnLogin = false;

    QWidget *m_sidebar = nullptr;
    QButtonGroup *m_tabs = nullptr;
    QVBoxLayout *m_detailLayout = nullptr;
    QPointer<QWidget> m_current;
};

} // namespace verandel
