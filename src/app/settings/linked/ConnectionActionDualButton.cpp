#include "settings/linked/ConnectionActionDualButton.h"

#include "kit/CapsuleButton.h"
#include "kit/KeyWindow.h"
#include "kit/Metrics.h"
#include "settings/linked/ConnectionActionButton.h"

#include <QEvent>
#include <QHBoxLayout>

namespace verandel {

namespace {

constexpr int dualButtonSpacing = 6;

void runIfSet(const std::function<void()> &action)
{
    if (const std::function<void()> copy = action) {
        copy();
    }
}

} // namespace

ConnectionActionDualButton::ConnectionActionDualButton(QWidget *parent)
    : QWidget(parent)
    , m_accept(new CapsuleButton(QStringLiteral("Accept"), CapsuleButton::Kind::Prominent, this))
    , m_reject(new CapsuleButton(QStringLiteral("Reject"), CapsuleButton::Kind::Bordered, this))
{
    m_accept->setMinimumWidth(Metrics::actionButtonMinimumWidth);
    m_reject->setMinimumWidth(Metrics::rejectButtonMinimumWidth);
    for (CapsuleButton *button : {m_accept, m_reject}) {
        button->setAccessibleName(button->text());
        button->setAccessibleDescription(ConnectionActionButton::hintFor(button->text()));
    }
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins({});
    row->setSpacing(dualButtonSpacing);
    row->addWidget(m_accept, 0, Qt::AlignVCenter);
    row->addWidget(m_reject, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    connect(m_accept, &QAbstractButton::clicked, this, [this] { runIfSet(m_onAccept); });
    connect(m_reject, &QAbstractButton::clicked, this, [this] { runIfSet(m_onReject); });
    setConnectionRequest(std::nullopt);
}

void ConnectionActionDualButton::setConnectionRequest(const std::optional<ConnectionRequest> &request)
{
    const bool enabled = isEnabledFor(request);
    m_accept->setEnabled(enabled);
    m_reject->setEnabled(enabled);
    restyle();
}

void ConnectionActionDualButton::setActions(std::function<void()> onAccept, std::function<void()> onReject)
{
    m_onAccept = std::move(onAccept);
    m_onReject = std::move(onReject);
}

bool ConnectionActionDualButton::isEnabledFor(const std::optional<ConnectionRequest> &request)
{
    return request && request->state() == ConnectionRequestState::Pending
        && request->direction() == ConnectionDirection::Incoming;
}

void ConnectionActionDualButton::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        restyle();
    }
}

void ConnectionActionDualButton::restyle()
{
    m_accept->setKind(KeyWindow::isKey(this) ? CapsuleButton::Kind::Prominent : CapsuleButton::Kind::Bordered);
}

} // namespace verandel
