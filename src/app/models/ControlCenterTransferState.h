#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace verandel {

// The Control Center's one-line transfer message, shared by the shell (which sets it for every transfer
// step and for a quick transfer that cannot start) and the Control Center view (which shows it).
class ControlCenterTransferState final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> message READ message NOTIFY messageChanged)

public:
    explicit ControlCenterTransferState(std::optional<QString> message = std::nullopt, QObject *parent = nullptr);

    std::optional<QString> message() const { return m_message; }
    // Announces every assignment, also of an unchanged message.
    void setMessage(std::optional<QString> message);

Q_SIGNALS:
    void messageChanged();

private:
    std::optional<QString> m_message;
};

} // namespace verandel
