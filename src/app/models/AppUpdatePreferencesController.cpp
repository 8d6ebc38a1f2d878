#include "models/AppUpdatePreferencesController.h"

#include <QPointer>

namespace verandel {

AppUpdatePreferencesController::AppUpdatePreferencesController(AppUpdatePreferencesStorePtr appUpdatePreferencesStore,
                                                               std::function<void()> onPreferencesPersisted,
                                                               QObject *parent)
    : QObject(parent)
    , m_store(std::move(appUpdatePreferencesStore))
    , m_onPreferencesPersisted(std::move(onPreferencesPersisted))
{
    const AppUpdatePreferences preferences = m_store->currentPreferences();
    m_checks = {preferences.automaticChecksEnabled,
                false,
                &AppUpdatePreferencesStore::setAutomaticChecksEnabled,
                QStringLiteral("Couldn’t update automatic update checks. Please try again."),
                &AppUpdatePreferencesController::automaticChecksEnabledChanged,
                &AppUpdatePreferencesController::isSavingAutomaticChecksChanged};
    m_installation = {preferences.automaticInstallationEnabled,
                      false,
                      &AppUpdatePreferencesStore::setAutomaticInstallationEnabled,
                      QStringLiteral("Couldn’t update automatic update installation. Please try again."),
                      &AppUpdatePreferencesController::automaticInstallationEnabledChanged,
                      &AppUpdatePreferencesController::isSavingAutomaticInstallationChanged};
}

void AppUpdatePreferencesController::setAutomaticChecksEnabled(bool enabled)
{
    change(m_checks, enabled);
}

void AppUpdatePreferencesController::setAutomaticInstallationEnabled(bool enabled)
{
    change(m_installation, enabled);
}

void AppUpdatePreferencesController::change(Preference &preference, bool enabled)
{
    if (enabled == preference.value) {
        return;
    }
    setErrorMessage(std::nullopt);
    const bool previous = preference.value;
    setValue(preference, enabled);
    setSaving(preference, true);
    const QPointer<AppUpdatePreferencesController> self(this);
    Preference *target = &preference;
    QMetaObject::invokeMethod(
        this,
        [self, target, enabled, previous] {
            if (self) {
                self->save(*target, enabled, previous);
            }
        },
        Qt::QueuedConnection);
}

void AppUpdatePreferencesController::save(Preference &preference, bool enabled, bool previous)
{
    try {
        (m_store.get()->*preference.store)(enabled);
    } catch (const std::exception &) {
        // The switch moving back and the message are what the user needs; the cause stays unshown.
        setValue(preference, previous);
        setSaving(preference, false);
        setErrorMessage(preference.failureMessage);
        return;
    }
    setSaving(preference, false);
    if (m_onPreferencesPersisted) {
        m_onPreferencesPersisted();
    }
}

void AppUpdatePreferencesController::setValue(Preference &preference, bool value)
{
    preference.value = value;
    Q_EMIT(this->*preference.valueChanged)();
}

void AppUpdatePreferencesController::setSaving(Preference &preference, bool saving)
{
    preference.saving = saving;
    Q_EMIT(this->*preference.savingChanged)();
}

void AppUpdatePreferencesController::setErrorMessage(std::optional<QString> message)
{
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
}

} // namespace verandel
