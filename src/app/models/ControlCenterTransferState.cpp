#include "models/ControlCenterTransferState.h"

namespace verandel {

ControlCenterTransferState::ControlCenterTransferState(std::optional<QString> message, QObject *parent)
    : QObject(parent)
    , m_message(std::move(message))
{ }

void ControlCenterTransferState::setMessage(std::optional<QString> message, ControlCenterTransferMessageKind kind)
{
    m_message = std::move(message);
    m_kind = kind;
    Q_EMIT messageChanged();
}

} // namespace verandel
