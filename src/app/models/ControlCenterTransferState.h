#pragma once

#include "models/ControlCenterTransferMessageKind.h"

#include <QObject>
#include <QString>

#include <optional>

namespace verandel {

// The Control Center's one-line transfer message and what it tells (running, done, needing the user),
// shared by the shell (which sets it for every transfer step and for a quick transfer that cannot start)
// and the Control Center view (which shows it).
class ControlCenterTransferState final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> message READ message NOTIFY messageChanged)

public:
    explicit ControlCenterTransferState(std::optional<QString> message = std::nullopt, QObject *parent = nullptr);

    std::optional<QString> message() const { return m_message; }
    ControlCenterTransferMessageKind kind() const { return m_kind; }
    // Announces every assignment, also of an unchanged message.
    void setMessage(std::optional<QString> message, ControlCenterTransferMessageKind kind);

Q_SIGNALS:
    void messageChanged();

private:
    std::optional<QString> m_message;
    ControlCenterTransferMessageKind m_kind = ControlCenterTransferMessageKind::InProgress;
};

} // namespace verandel
