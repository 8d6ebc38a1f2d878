#include "updater/UpdateWindow.h"

#include "kit/BusyBar.h"
#include "kit/CapsuleButton.h"
#include "kit/FlowLayout.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int windowWidth = 420;

} // namespace

UpdateWindow::UpdateWindow(UpdateCheckStatusPtr updateCheckStatus, Actions actions, QWidget *parent)
    : QWidget(parent)
    , m_updateCheckStatus(std::move(updateCheckStatus))
    , m_actions(std::move(actions))
    , m_title(new TextLabel(TextStyle::Headline, ThemeColor::PrimaryText, this))
    , m_detail(new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, this))
    , m_install(new CapsuleButton(QStringLiteral("Install Update"), CapsuleButton::Kind::Prominent, this))
    , m_later(new CapsuleButton(QStringLiteral("Later"), CapsuleButton::Kind::Bordered, this))
    , m_skip(new CapsuleButton(QStringLiteral("Skip This Version"), CapsuleButton::Kind::Bordered, this))
    , m_check(new CapsuleButton(QStringLiteral("Check for Updates…"), CapsuleButton::Kind::Bordered, this))
    , m_releasePage(new CapsuleButton(QStringLiteral("Release Notes"), CapsuleButton::Kind::Plain, this))
    , m_busy(new BusyBar(Metrics::loadingBusyBarWidth, this))
{
    setWindowTitle(QStringLiteral("Software Update"));
    setMinimumWidth(windowWidth);
    m_title->setWordWrap(true);
    m_detail->setWordWrap(true);
    m_title->setAccessibleName(QStringLiteral("Update status"));

    auto *buttons = new FlowLayout(Metrics::buttonSpacing, Metrics::buttonSpacing);
    for (QPushButton *button : {m_install, m_later, m_skip, m_check}) {
        buttons->addWidget(button);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(Metrics::contentPadding, Metrics::contentPadding, Metrics::contentPadding,
                               Metrics::contentPadding);
    layout->setSpacing(Metrics::sectionSpacing);
    layout->addWidget(m_title);
    layout->addWidget(m_detail);
    layout->addWidget(m_releasePage, 0, Qt::AlignLeft);
    layout->addWidget(m_busy, 0, Qt::AlignLeft);
    layout->addStretch(1);
    layout->addLayout(buttons);

    const auto choose
        = [this](UpdateUserChoice choice) { return [this, choice] { m_updateCheckStatus->userChose(choice); }; };
    connect(m_install, &QPushButton::clicked, this, [this] {
        if (m_presentation.state == UpdateStatusPresentation::State::offered) {
            m_updateCheckStatus->userChose(UpdateUserChoice::Install);
        } else if (m_actions.installPendingUpdate) {
            m_actions.installPendingUpdate();
        }
    });
    connect(m_later, &QPushButton::clicked, this, choose(UpdateUserChoice::Dismiss));
    connect(m_skip, &QPushButton::clicked, this, choose(UpdateUserChoice::Skip));
    connect(m_check, &QPushButton::clicked, this, [this] {
        if (m_actions.checkForUpdates) {
            m_actions.checkForUpdates();
        }
    });
    connect(m_releasePage, &QPushButton::clicked, this, [this] {
        if (m_presentation.releasePage && m_actions.openReleasePage) {
            m_actions.openReleasePage(*m_presentation.releasePage);
        }
    });

    UpdateCheckStatusObservable *status = m_updateCheckStatus.get();
    for (const auto signal :
         {&UpdateCheckStatusObservable::isCheckingChanged, &UpdateCheckStatusObservable::errorMessageChanged,
          &UpdateCheckStatusObservable::updateAvailableChanged, &UpdateCheckStatusObservable::pendingUpdateChanged,
          &UpdateCheckStatusObservable::isExplicitInstallActionAvailableChanged}) {
        connect(status, signal, this, &UpdateWindow::refresh, Qt::QueuedConnection);
    }
    refresh();
}

void UpdateWindow::setUpdatesAvailable(bool available)
{
    m_updatesAvailable = available;
    refresh();
}

void UpdateWindow::setCanCheckForUpdates(bool canCheck)
{
    m_canCheckForUpdates = canCheck;
    refresh();
}

void UpdateWindow::refresh()
{
    m_presentation = UpdateStatusPresentation::make(UpdateStatusSnapshot{
        m_updatesAvailable,
        m_canCheckForUpdates,
        m_updateCheckStatus->isChecking(),
        m_updateCheckStatus->errorMessage(),
        m_updateCheckStatus->updateAvailable(),
        m_updateCheckStatus->pendingUpdate(),
        m_updateCheckStatus->isExplicitInstallActionAvailable(),
    });
    m_title->setText(m_presentation.title);
    m_detail->setText(m_presentation.detail);
    m_detail->setVisible(!m_presentation.detail.isEmpty());
    m_install->setVisible(m_presentation.showsInstall);
    m_later->setVisible(m_presentation.showsLater);
    m_skip->setVisible(m_presentation.showsSkip);
    m_check->setVisible(m_presentation.showsCheck);
    m_check->setEnabled(m_presentation.checkEnabled);
    m_releasePage->setVisible(m_presentation.releasePage.has_value());
    m_busy->setVisible(m_presentation.state == UpdateStatusPresentation::State::checking);
}

} // namespace verandel
