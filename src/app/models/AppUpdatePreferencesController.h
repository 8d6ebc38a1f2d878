#pragma once

#include "update/AppUpdatePreferencesStore.h"

#include <QObject>

#include <functional>
#include <optional>

namespace verandel {

// Behind the General tab's two update switches. A flip moves the switch at once and disables it, then
// saves on the next turn of the event loop (so the window shows the move first); a failed save moves
// the switch back and says so. After each successful save `onPreferencesPersisted` runs once, so the
// updater follows the new choice. Same-value writes change nothing.
class AppUpdatePreferencesController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool automaticChecksEnabled READ automaticChecksEnabled NOTIFY automaticChecksEnabledChanged)
    Q_PROPERTY(
        bool automaticInstallationEnabled READ automaticInstallationEnabled NOTIFY automaticInstallationEnabledChanged)
    Q_PROPERTY(bool isSavingAutomaticChecks READ isSavingAutomaticChecks NOTIFY isSavingAutomaticChecksChanged)
    Q_PROPERTY(bool isSavingAutomaticInstallation READ isSavingAutomaticInstallation NOTIFY
                   isSavingAutomaticInstallationChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)

public:
    AppUpdatePreferencesController(AppUpdatePreferencesStorePtr appUpdatePreferencesStore,
                                   std::function<void()> onPreferencesPersisted, QObject *parent = nullptr);

    bool automaticChecksEnabled() const { return m_checks.value; }
    bool automaticInstallationEnabled() const { return m_installation.value; }
    bool isSavingAutomaticChecks() const { return m_checks.saving; }
    bool isSavingAutomaticInstallation() const { return m_installation.saving; }
    // The last failed save of either switch, until the next accepted change.
    std::optional<QString> errorMessage() const { return m_errorMessage; }

    void setAutomaticChecksEnabled(bool enabled);
    void setAutomaticInstallationEnabled(bool enabled);

Q_SIGNALS:
    void automaticChecksEnabledChanged();
    void automaticInstallationEnabledChanged();
    void isSavingAutomaticChecksChanged();
    void isSavingAutomaticInstallationChanged();
    void errorMessageChanged();

private:
    // One switch: what it shows, whether it saves, how it is stored and announced.
    struct Preference
    {
        bool value;
        bool saving = false;
        void (AppUpdatePreferencesStore::*store)(bool);
        QString failureMessage;
        void (AppUpdatePreferencesController::*valueChanged)();
        void (AppUpdatePreferencesController::*savingChanged)();
    };

    void change(Preference &preference, bool enabled);
    void save(Preference &preference, bool enabled, bool previous);
    void setValue(Preference &preference, bool value);
    void setSaving(Preference &preference, bool saving);
    void setErrorMessage(std::optional<QString> message);

    AppUpdatePreferencesStorePtr m_store;
    std::function<void()> m_onPreferencesPersisted;
    Preference m_checks;
    Preference m_installation;
    std::optional<QString> m_errorMessage;
};

} // namespace verandel
