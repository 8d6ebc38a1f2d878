#include "settings/general/GeneralSettingsView.h"

#include "kit/CapsuleButton.h"
#include "kit/Card.h"
#include "kit/Metrics.h"
#include "kit/SectionHeading.h"
#include "kit/TextField.h"
#include "kit/TextLabel.h"
#include "kit/ToggleSwitch.h"
#include "models/AppUpdatePreferencesController.h"
#include "settings/general/AdvertisedNameInput.h"

#include "foundation/LogText.h"
#include "settings/general/CheckForUpdatesButton.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int sectionContentSpacing = 16;
constexpr int controlTextSpacing = 4;
constexpr int applicationSpacing = 14;
constexpr int versionSpacing = 8;

TextLabel *label(TextStyle style, ThemeColor color, const QString &text, QWidget *parent = nullptr)
{
    auto *shown = new TextLabel(style, color, parent);
    shown->setText(text);
    return shown;
}

ToggleSwitch *toggle(const QString &accessibleName)
{
    auto *control = new ToggleSwitch;
    control->setAccessibleName(accessibleName);
    return control;
}

} // namespace

GeneralSettingsView::GeneralSettingsView(GeneralSettingsDependencies dependencies, bool launchOnLogin,
                                         IconProviderPtr icons, ClockPtr clock, QWidget *parent)
    : SettingsTabPage(QStringLiteral("General"), parent)
    , m_dependencies(std::move(dependencies))
    , m_updatePreferences(new AppUpdatePreferencesController(m_dependencies.appUpdatePreferencesStore,
                                                             m_dependencies.onUpdatePreferencesChanged, this))
    , m_metricsOptInEnabled(m_dependencies.telemetryPreferencesStore->isMetricsOptInEnabled())
{
    addHeader(QStringLiteral("General"), QStringLiteral("Manage launch behavior, updates, and app details."));

    m_launchOnLogin = toggle(QStringLiteral("Launch on login"));
    m_launchOnLogin->setChecked(launchOnLogin);
    connect(m_launchOnLogin, &ToggleSwitch::toggled, this, &GeneralSettingsView::launchOnLoginToggled);
    auto *startup = new QVBoxLayout;
    startup->addLayout(makeControlRow(QStringLiteral("Launch on login"),
                                      QStringLiteral("Start Verandel automatically when you log in."),
                                      m_launchOnLogin));

    QVBoxLayout *column = columnLayout();
    column->addWidget(makeSection(QStringLiteral("Identity"), makeIdentity()));
    column->addWidget(makeSection(QStringLiteral("Startup"), startup));
    column->addWidget(makeSection(QStringLiteral("Privacy & Diagnostics"), makePrivacy()));
    column->addWidget(makeSection(QStringLiteral("Application"), makeApplication(icons, clock)));
    column->addStretch(1);

    for (const auto signal : {&AppUpdatePreferencesController::automaticChecksEnabledChanged,
                              &AppUpdatePreferencesController::automaticInstallationEnabledChanged,
                              &AppUpdatePreferencesController::isSavingAutomaticChecksChanged,
                              &AppUpdatePreferencesController::isSavingAutomaticInstallationChanged,
                              &AppUpdatePreferencesController::errorMessageChanged}) {
        connect(m_updatePreferences, signal, this, &GeneralSettingsView::refreshUpdatePreferences);
    }
    refreshVisibleName();
    refreshMetrics();
    refreshUpdatePreferences();
}

QString GeneralSettingsView::appVersionText(const QString &version)
{
    return version.isEmpty() ? QStringLiteral("—") : version;
}

// A section in the style of every tab: the kit's heading over a card.
QWidget *GeneralSettingsView::makeSection(const QString &title, QLayout *content)
{
    auto *section = new QWidget(column());
    auto *titleLabel = new SectionHeading(title, section);
    auto *box = new Card(section);
    content->setContentsMargins({});
    content->setSpacing(sectionContentSpacing);
    box->setLayout(content);
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins({});
    column->setSpacing(Metrics::sectionSpacing);
    column->addWidget(titleLabel);
    column->addWidget(box);
    return section;
}

QHBoxLayout *GeneralSettingsView::makeControlRow(const QString &title, const QString &description, QWidget *control)
{
    auto *titleLabel = label(TextStyle::Body, ThemeColor::PrimaryText, title);
    titleLabel->setFontWeight(QFont::Medium);
    auto *descriptionLabel = label(TextStyle::Callout, ThemeColor::SecondaryText, description);
    descriptionLabel->setWordWrap(true);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(controlTextSpacing);
    texts->addWidget(titleLabel);
    texts->addWidget(descriptionLabel);
    auto *row = new QHBoxLayout;
    row->setSpacing(sectionContentSpacing);
    row->addLayout(texts, 1);
    row->addWidget(control, 0, Qt::AlignTop);
    return row;
}

QLayout *GeneralSettingsView::makeIdentity()
{
    m_nameLabel = label(TextStyle::Body, ThemeColor::PrimaryText, QStringLiteral("Advertised Name"));
    m_nameLabel->setFontWeight(QFont::Medium);
    m_name = new TextField;
    m_name->setPlaceholderText(QStringLiteral("e.g. Work Computer"));
    m_name->setAccessibleName(QStringLiteral("Advertised Name"));
    // The field never holds control characters, not even from a name stored before they were dropped.
    m_name->setText(stripControlCharacters(m_dependencies.macIdentifierService->advertisedName().value_or(QString())));
    m_acceptedName = m_name->text();
    // Only the user's typing writes: filling the field above wrote nothing.
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString &typed) {
        const AdvertisedNameInput::Edit edit
            = AdvertisedNameInput::accept(m_acceptedName, typed, m_name->cursorPosition());
        if (edit.text != typed) {
            const QSignalBlocker blocker(m_name);
            m_name->setText(edit.text);
            m_name->setCursorPosition(edit.cursor);
        }
        m_acceptedName = edit.text;
        m_dependencies.macIdentifierService->setAdvertisedName(edit.text.isEmpty() ? std::nullopt
                                                                                   : std::optional<QString>(edit.text));
        refreshVisibleName();
    });
    auto *field = new QVBoxLayout;
    field->setSpacing(Metrics::fieldLabelSpacing);
    field->addWidget(m_nameLabel);
    field->addWidget(m_name);

    auto *hint = label(TextStyle::Callout, ThemeColor::SecondaryText,
                       QStringLiteral("Shown to other linked computers. Leave empty to use this computer's hostname."));
    hint->setWordWrap(true);
    m_visibleName = new TextLabel(TextStyle::Callout, ThemeColor::SecondaryText);
    m_visibleName->setWordWrap(true);
    auto *notes = new QVBoxLayout;
    notes->setSpacing(controlTextSpacing);
    notes->addWidget(hint);
    notes->addWidget(m_visibleName);

    auto *identity = new QVBoxLayout;
    identity->addLayout(field);
    identity->addLayout(notes);
    return identity;
}

QLayout *GeneralSettingsView::makePrivacy()
{
    m_metrics = toggle(QStringLiteral("Share anonymous usage metrics"));
    connect(m_metrics, &ToggleSwitch::toggled, this, [this](bool enabled) { changeMetricsOptIn(enabled); });
    m_privacy = new CapsuleButton(QStringLiteral("See our privacy policy"), CapsuleButton::Kind::Plain);
    m_privacy->setVisible(m_dependencies.privacyPolicyPath.has_value());
    connect(m_privacy, &CapsuleButton::clicked, this, [this] {
        if (m_dependencies.privacyPolicyPath) {
            m_dependencies.urlOpener->openLocalFile(*m_dependencies.privacyPolicyPath);
        }
    });
    m_metricsStatus = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText);
    m_metricsStatus->setWordWrap(true);
    auto *privacy = new QVBoxLayout;
    privacy->addLayout(makeControlRow(
        QStringLiteral("Share anonymous usage metrics"),
        QStringLiteral("Help improve Verandel by sharing a small set of anonymous product events."), m_metrics));
    privacy->addWidget(m_privacy, 0, Qt::AlignLeft);
    privacy->addWidget(m_metricsStatus);
    return privacy;
}

QLayout *GeneralSettingsView::makeApplication(const IconProviderPtr &icons, const ClockPtr &clock)
{
    m_automaticChecks = toggle(QStringLiteral("Automatically check for updates"));
    connect(m_automaticChecks, &ToggleSwitch::toggled, m_updatePreferences,
            &AppUpdatePreferencesController::setAutomaticChecksEnabled);
    m_automaticInstallation = toggle(QStringLiteral("Automatically install updates"));
    connect(m_automaticInstallation, &ToggleSwitch::toggled, m_updatePreferences,
            &AppUpdatePreferencesController::setAutomaticInstallationEnabled);
    auto *application = new QVBoxLayout;
    application->addLayout(makeControlRow(QStringLiteral("Automatically check for updates"),
                                          QStringLiteral("Allow Verandel to check for updates automatically."),
                                          m_automaticChecks));
    application->addLayout(
        makeControlRow(QStringLiteral("Automatically install updates"),
                       QStringLiteral("Download and install updates automatically after Verandel finds them."),
                       m_automaticInstallation));
    if (m_dependencies.onCheckForUpdates) {
        m_checkBlock
            = new CheckForUpdatesButton(m_dependencies.updateCheckStatus, m_dependencies.onCheckForUpdates,
                                        m_dependencies.onInstallPendingUpdate, m_dependencies.urlOpener, icons, clock);
        application->addWidget(m_checkBlock);
    }
    m_updateError = new TextLabel(TextStyle::Callout, ThemeColor::Red);
    m_updateError->setWordWrap(true);
    application->addWidget(m_updateError);

    auto *divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    m_version = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText);
    m_version->setFontWeight(QFont::Medium);
    m_version->setText(appVersionText(m_dependencies.appVersion));
    auto *versionRow = new QHBoxLayout;
    versionRow->addWidget(label(TextStyle::Caption, ThemeColor::SecondaryText, QStringLiteral("Current Version")));
    versionRow->addStretch(1);
    versionRow->addWidget(m_version);
    auto *versionBlock = new QVBoxLayout;
    versionBlock->setSpacing(versionSpacing);
    versionBlock->addWidget(divider);
    versionBlock->addLayout(versionRow);
    application->addLayout(versionBlock);
    application->setSpacing(applicationSpacing);
    return application;
}

void GeneralSettingsView::setLaunchOnLogin(bool enabled)
{
    const QSignalBlocker blocker(m_launchOnLogin);
    m_launchOnLogin->setChecked(enabled);
}

void GeneralSettingsView::refreshVisibleName()
{
    const QString name = AdvertisedNameInput::visibleName(m_name->text(), m_dependencies.hostName);
    m_visibleName->setText(QStringLiteral("Currently visible as: ") + QChar(0x2068) + name + QChar(0x2069));
}

void GeneralSettingsView::refreshMetrics()
{
    const QSignalBlocker blocker(m_metrics);
    m_metrics->setChecked(m_metricsOptInEnabled);
    m_metrics->setEnabled(!m_isSavingMetricsPreference);
    if (m_isSavingMetricsPreference) {
        m_metricsStatus->setTextStyle(TextStyle::Caption);
        m_metricsStatus->setColor(ThemeColor::SecondaryText);
        m_metricsStatus->setText(QStringLiteral("Saving…"));
    } else if (m_metricsPreferenceErrorMessage) {
        m_metricsStatus->setTextStyle(TextStyle::Callout);
        m_metricsStatus->setColor(ThemeColor::Red);
        m_metricsStatus->setText(*m_metricsPreferenceErrorMessage);
    }
    m_metricsStatus->setVisible(m_isSavingMetricsPreference || m_metricsPreferenceErrorMessage);
}

QCoro::Task<> GeneralSettingsView::changeMetricsOptIn(bool enabled)
{
    if (enabled == m_metricsOptInEnabled) {
        co_return;
    }
    const QPointer<GeneralSettingsView> self(this);
    const TelemetryPreferencesStorePtr store = m_dependencies.telemetryPreferencesStore;
    const bool previous = m_metricsOptInEnabled;
    m_metricsPreferenceErrorMessage.reset();
    m_metricsOptInEnabled = enabled;
    m_isSavingMetricsPreference = true;
    refreshMetrics();
    bool saved = true;
    try {
        co_await store->setMetricsOptInEnabled(enabled);
    } catch (const std::exception &) {
        saved = false;
    }
    if (!self) {
        co_return;
    }
    if (!saved) {
        m_metricsOptInEnabled = previous;
        m_metricsPreferenceErrorMessage = QStringLiteral("Couldn’t update metrics collection. Please try again.");
    }
    m_isSavingMetricsPreference = false;
    refreshMetrics();
}

void GeneralSettingsView::refreshUpdatePreferences()
{
    {
        const QSignalBlocker checks(m_automaticChecks);
        const QSignalBlocker installation(m_automaticInstallation);
        m_automaticChecks->setChecked(m_updatePreferences->automaticChecksEnabled());
        m_automaticInstallation->setChecked(m_updatePreferences->automaticInstallationEnabled());
    }
    m_automaticChecks->setEnabled(!m_updatePreferences->isSavingAutomaticChecks());
    m_automaticInstallation->setEnabled(!m_updatePreferences->isSavingAutomaticInstallation());
    const std::optional<QString> error = m_updatePreferences->errorMessage();
    m_updateError->setText(error.value_or(QString()));
    m_updateError->setVisible(error.has_value());
}

} // namespace verandel
