#include "settings/general/CheckForUpdatesButton.h"

#include "common/BusyAnimation.h"
#include "kit/BusyBar.h"
#include "kit/CapsuleButton.h"
#include "kit/FlowLayout.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int blockSpacing = 8;

} // namespace

CheckForUpdatesButton::CheckForUpdatesButton(UpdateCheckStatusPtr updateCheckStatus,
                                             std::function<void()> onCheckForUpdates,
                                             std::function<bool()> onInstallPendingUpdate, UrlOpenerPtr urlOpener,
                                             IconProviderPtr icons, ClockPtr clock, QWidget *parent)
    : QWidget(parent)
    , m_status(std::move(updateCheckStatus))
    , m_onCheckForUpdates(std::move(onCheckForUpdates))
    , m_onInstallPendingUpdate(std::move(onInstallPendingUpdate))
    , m_urlOpener(std::move(urlOpener))
    , m_progressRow(new QWidget(this))
    , m_messageRow(new QWidget(this))
    , m_icon(new IconView(icons, QStringLiteral("arrow.down.circle"), Metrics::iconRegular, m_messageRow))
    , m_message(new TextLabel(TextStyle::Callout, ThemeColor::SecondaryText, m_messageRow))
    , m_check(new CapsuleButton(QStringLiteral("Check for Updates…"), CapsuleButton::Kind::Bordered, this))
    , m_install(new CapsuleButton(QStringLiteral("Restart to Update"), CapsuleButton::Kind::Prominent, this))
    , m_releaseNotes(new CapsuleButton(QStringLiteral("Release Notes"), CapsuleButton::Kind::Plain, this))
    , m_tryAgain(new CapsuleButton(QStringLiteral("Try again"), CapsuleButton::Kind::Bordered, this))
    , m_dismiss(new CapsuleButton(QStringLiteral("Dismiss"), CapsuleButton::Kind::Bordered, this))
{
    auto *progress = new BusyBar(Metrics::busyBarWidth, m_progressRow);
    BusyAnimation::drive(clock, progress);
    auto *checking = new TextLabel(TextStyle::Callout, ThemeColor::SecondaryText, m_progressRow);
    checking->setText(QStringLiteral("Checking for updates…"));
    auto *progressLayout = new QHBoxLayout(m_progressRow);
    progressLayout->setContentsMargins({});
    progressLayout->setSpacing(blockSpacing);
    progressLayout->addWidget(progress, 0, Qt::AlignVCenter);
    progressLayout->addWidget(checking, 1, Qt::AlignVCenter);

    m_icon->setColor(ThemeColor::SecondaryText);
    m_message->setWordWrap(true);
    auto *messageLayout = new QHBoxLayout(m_messageRow);
    messageLayout->setContentsMargins({});
    messageLayout->setSpacing(blockSpacing);
    messageLayout->addWidget(m_icon, 0, Qt::AlignTop);
    messageLayout->addWidget(m_message, 1);

    auto *buttons = new FlowLayout(Metrics::buttonSpacing, Metrics::buttonSpacing);
    for (CapsuleButton *button : {m_install, m_releaseNotes, m_tryAgain, m_dismiss, m_check}) {
        buttons->addWidget(button);
    }
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins({});
    column->setSpacing(blockSpacing);
    column->addWidget(m_progressRow);
    column->addWidget(m_messageRow);
    column->addLayout(buttons);

    connect(m_check, &CapsuleButton::clicked, this, [this] {
        if (m_onCheckForUpdates) {
            m_onCheckForUpdates();
        }
    });
    connect(m_install, &CapsuleButton::clicked, this, &CheckForUpdatesButton::install);
    connect(m_releaseNotes, &CapsuleButton::clicked, this, [this] {
        const std::optional<UpdateAvailableInfo> update = shownUpdate();
        if (update && update->infoURL) {
            m_urlOpener->openExternal(*update->infoURL);
        }
    });
    // The error goes first, so the progress row can take its place as soon as the check starts.
    connect(m_tryAgain, &CapsuleButton::clicked, this, [this] {
        m_status->setErrorMessage(std::nullopt);
        if (m_onCheckForUpdates) {
            m_onCheckForUpdates();
        }
    });
    connect(m_dismiss, &CapsuleButton::clicked, this, [this] { m_status->setErrorMessage(std::nullopt); });

    for (const auto signal :
         {&UpdateCheckStatusObservable::isCheckingChanged, &UpdateCheckStatusObservable::errorMessageChanged,
          &UpdateCheckStatusObservable::updateAvailableChanged, &UpdateCheckStatusObservable::pendingUpdateChanged,
          &UpdateCheckStatusObservable::isExplicitInstallActionAvailableChanged}) {
        connect(m_status.get(), signal, this, &CheckForUpdatesButton::refresh);
    }
    refresh();
}

CheckForUpdatesButton::State CheckForUpdatesButton::stateFor(const UpdateCheckStatusObservable &status)
{
    if (status.isChecking()) {
        return State::Checking;
    }
    if (status.updateAvailable() && status.isExplicitInstallActionAvailable()) {
        return State::UpdateAvailable;
    }
    if (status.pendingUpdate()) {
        return State::UpdateStillAvailable;
    }
    if (status.errorMessage()) {
        return State::Failed;
    }
    return State::Idle;
}

std::optional<UpdateAvailableInfo> CheckForUpdatesButton::shownUpdate() const
{
    switch (m_state) {
    case State::UpdateAvailable: return m_status->updateAvailable();
    case State::UpdateStillAvailable: return m_status->pendingUpdate();
    case State::Checking:
    case State::Failed:
    case State::Idle: break;
    }
    return std::nullopt;
}

void CheckForUpdatesButton::refresh()
{
    m_state = stateFor(*m_status);
    const std::optional<UpdateAvailableInfo> update = shownUpdate();
    m_progressRow->setVisible(m_state == State::Checking);
    m_messageRow->setVisible(m_state != State::Checking && m_state != State::Idle);
    if (m_state == State::Failed) {
        m_icon->setName(QStringLiteral("exclamationmark.triangle"));
        m_message->setText(m_status->errorMessage().value_or(QString()));
    } else if (update) {
        m_icon->setName(QStringLiteral("arrow.down.circle"));
        // The version is the feed's text: shown plainly, and isolated inside the sentence.
        const QString version = QChar(0x2068) + update->version + QChar(0x2069);
        m_message->setText(m_state == State::UpdateAvailable
                               ? QStringLiteral("Update ") + version + QStringLiteral(" available")
                               : QStringLiteral("Update ") + version + QStringLiteral(" is still available"));
    }
    m_install->setVisible(m_state == State::UpdateAvailable
                          || (m_state == State::UpdateStillAvailable && m_status->isExplicitInstallActionAvailable()));
    m_releaseNotes->setVisible(update && update->infoURL.has_value());
    m_tryAgain->setVisible(m_state == State::Failed);
    m_dismiss->setVisible(m_state == State::Failed);
    m_check->setVisible(m_state == State::Idle);
}

void CheckForUpdatesButton::install()
{
    if (m_state == State::UpdateStillAvailable) {
        m_onInstallPendingUpdate();
        return;
    }
    // Nothing held for installation: answer the offer itself.
    if (!m_onInstallPendingUpdate()) {
        m_status->userChose(UpdateUserChoice::Install);
    }
}

} // namespace verandel
