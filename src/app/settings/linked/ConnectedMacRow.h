#pragma once

#include "kit/IconProvider.h"
#include "kit/ThemeColor.h"

#include "linking/ConnectionState.h"
#include "records/ConnectedMac.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace verandel {

class CapsuleBadge;
class CapsuleButton;
class IconView;
class TextLabel;

// One linked computer: an icon and a badge in the colour of its connection state (or, while another
// computer claims its identity too, "Paused" with a line that says why), its name, and a
// "Disconnect" button that turns the row into an inline confirmation (Return confirms, Escape backs
// out). Confirming runs the removal and leaves the row confirming; the list drops the row once the
// computer is gone.
class ConnectedMacRow : public QWidget
{
    Q_OBJECT

public:
    ConnectedMacRow(IconProviderPtr icons, std::function<void()> onRemove, QWidget *parent = nullptr);

    void setMac(const ConnectedMac &mac, ConnectionState state, bool identityConflict = false);
    const std::optional<ConnectedMac> &mac() const { return m_mac; }
    ConnectionState connectionState() const { return m_state; }
    bool hasIdentityConflict() const { return m_identityConflict; }
    bool isConfirmingRemoval() const { return m_confirming; }
    // Backs out of the confirmation, as Escape does.
    void cancelConfirmation();

    TextLabel *nameLabel() const { return m_name; }
    CapsuleBadge *statusBadge() const { return m_badge; }
    TextLabel *reconnectNote() const { return m_note; }
    TextLabel *identityConflictNote() const { return m_conflictNote; }
    CapsuleButton *disconnectButton() const { return m_disconnect; }
    CapsuleButton *cancelButton() const { return m_cancel; }
    CapsuleButton *confirmButton() const { return m_confirm; }

    static ThemeColor stateColor(ConnectionState state);
    static QString badgeText(ConnectionState state);

Q_SIGNALS:
    // The user asked to disconnect: the row now asks for confirmation.
    void confirmingStarted();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setConfirming(bool confirming);
    void confirmRemoval();
    void render();

    std::function<void()> m_onRemove;
    std::optional<ConnectedMac> m_mac;
    ConnectionState m_state = ConnectionState::Disconnected;
    bool m_identityConflict = false;
    bool m_confirming = false;
    IconView *m_icon;
    TextLabel *m_name;
    CapsuleBadge *m_badge;
    TextLabel *m_note;
    TextLabel *m_conflictNote;
    CapsuleButton *m_disconnect;
    CapsuleButton *m_cancel;
    CapsuleButton *m_confirm;
};

} // namespace verandel
