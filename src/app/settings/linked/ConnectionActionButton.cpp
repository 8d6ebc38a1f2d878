#include "settings/linked/ConnectionActionButton.h"

#include "kit/KeyWindow.h"
#include "kit/Metrics.h"

#include <QEvent>

namespace verandel {

namespace {

bool isOutgoingPending(const std::optional<ConnectionRequest> &request)
{
    return request && request->state() == ConnectionRequestState::Pending
        && request->direction() == ConnectionDirection::Outgoing;
}

} // namespace

ConnectionActionButton::ConnectionActionButton(QWidget *parent)
    : CapsuleButton(QString(), Kind::Bordered, parent)
{
    setMinimumWidth(Metrics::actionButtonMinimumWidth);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (const std::function<void()> action = m_action) {
            action();
        }
    });
    setConnectionRequest(std::nullopt);
}

void ConnectionActionButton::setConnectionRequest(const std::optional<ConnectionRequest> &request)
{
    m_request = request;
    const std::optional<QString> title = titleFor(request);
    setText(title.value_or(QString()));
    setAccessibleName(title.value_or(QString()));
    setAccessibleDescription(title ? hintFor(*title) : QString());
    setVisible(title.has_value());
    restyle();
}

std::optional<QString> ConnectionActionButton::titleFor(const std::optional<ConnectionRequest> &request)
{
    if (!request) {
        return QStringLiteral("Connect");
    }
    switch (request->state()) {
    case ConnectionRequestState::None: return QStringLiteral("Connect");
    case ConnectionRequestState::Pending:
        return request->direction() == ConnectionDirection::Incoming ? QStringLiteral("Accept")
                                                                     : QStringLiteral("Cancel");
    case ConnectionRequestState::Connected:
    case ConnectionRequestState::Rejected: return std::nullopt;
    }
    return std::nullopt;
}

CapsuleButton::Kind ConnectionActionButton::kindFor(const std::optional<ConnectionRequest> &request, bool windowIsKey)
{
    return windowIsKey && !isOutgoingPending(request) ? Kind::Prominent : Kind::Bordered;
}

QString ConnectionActionButton::hintFor(const QString &title)
{
    return QStringLiteral("Tap to ") + title.toLower();
}

void ConnectionActionButton::changeEvent(QEvent *event)
{
    CapsuleButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        restyle();
    }
}

void ConnectionActionButton::restyle()
{
    setKind(kindFor(m_request, KeyWindow::isKey(this)));
}

} // namespace verandel
