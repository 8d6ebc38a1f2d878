#pragma once

#include "kit/IconProvider.h"
#include "settings/SettingsTabPage.h"
#include "settings/general/GeneralSettingsDependencies.h"

#include <QCoro/QCoroTask>
#include <QWidget>

class QHBoxLayout;
class QLayout;
class QLineEdit;

namespace verandel {

class AppUpdatePreferencesController;
class CapsuleButton;
class CheckForUpdatesButton;
class TextLabel;
class ToggleSwitch;

// The General tab: this computer's advertised name, launch at login, the metrics opt-in, the update
// choices with the update check, and the version, in one scrolling page of four sections. Every control
// writes at once; there is no Save button. Launch at login belongs to the Settings window: the tab only
// announces the user's flips and shows what the window tells it.
class GeneralSettingsView : public SettingsTabPage
{
    Q_OBJECT

public:
    // The clock moves the update check's busy line; none leaves it standing.
    GeneralSettingsView(GeneralSettingsDependencies dependencies, bool launchOnLogin, IconProviderPtr icons,
                        ClockPtr clock = nullptr, QWidget *parent = nullptr);

    // The version, else "—".
    static QString appVersionText(const QString &version);

    void setLaunchOnLogin(bool enabled);

    QLineEdit *nameField() const { return m_name; }
    TextLabel *nameFieldLabel() const { return m_nameLabel; }
    TextLabel *visibleNameLabel() const { return m_visibleName; }
    ToggleSwitch *launchOnLoginSwitch() const { return m_launchOnLogin; }
    ToggleSwitch *metricsSwitch() const { return m_metrics; }
    TextLabel *metricsStatusLabel() const { return m_metricsStatus; }
    CapsuleButton *privacyPolicyButton() const { return m_privacy; }
    ToggleSwitch *automaticChecksSwitch() const { return m_automaticChecks; }
    ToggleSwitch *automaticInstallationSwitch() const { return m_automaticInstallation; }
    // Null without a check-for-updates action.
    CheckForUpdatesButton *checkForUpdatesBlock() const { return m_checkBlock; }
    TextLabel *updateErrorLabel() const { return m_updateError; }
    TextLabel *versionLabel() const { return m_version; }
    AppUpdatePreferencesController *updatePreferences() const { return m_updatePreferences; }

Q_SIGNALS:
    void launchOnLoginToggled(bool enabled);

private:
    QWidget *makeSection(const QString &title, QLayout *content);
    QHBoxLayout *makeControlRow(const QString &title, const QString &description, QWidget *control);
    QLayout *makeIdentity();
    QLayout *makePrivacy();
    QLayout *makeApplication(const IconProviderPtr &icons, const ClockPtr &clock);
    void refreshVisibleName();
    void refreshMetrics();
    void refreshUpdatePreferences();
    QCoro::Task<> changeMetricsOptIn(bool enabled);

    GeneralSettingsDependencies m_dependencies;
    AppUpdatePreferencesController *m_updatePreferences;
    bool m_metricsOptInEnabled;
    bool m_isSavingMetricsPreference = false;
    std::optional<QString> m_metricsPreferenceErrorMessage;

    QLineEdit *m_name = nullptr;
    // The field's text as last accepted: an edit that does not fit keeps it.
    QString m_acceptedName;
    TextLabel *m_nameLabel = nullptr;
    TextLabel *m_visibleName = nullptr;
    ToggleSwitch *m_launchOnLogin = nullptr;
    ToggleSwitch *m_metrics = nullptr;
    TextLabel *m_metricsStatus = nullptr;
    CapsuleButton *m_privacy = nullptr;
    ToggleSwitch *m_automaticChecks = nullptr;
    ToggleSwitch *m_automaticInstallation = nullptr;
    CheckForUpdatesButton *m_checkBlock = nullptr;
    TextLabel *m_updateError = nullptr;
    TextLabel *m_version = nullptr;
};

} // namespace verandel
