#pragma once

#include "linking/ConnectionState.h"
#include "records/ConnectedMac.h"

#include <QWidget>

namespace verandel {

class ConnectionStatusIndicator;
class TextLabel;

// A menu-style row for one linked computer: its connection dot, its name, and while it answers a dot
// coloured by how long ago it was last seen (worked out when the row is set, not as time passes). A
// click selects it.
class ConnectedMacMenuItem : public QWidget
{
    Q_OBJECT

public:
    ConnectedMacMenuItem(const ConnectedMac &mac, ConnectionState connectionState, const QDateTime &now,
                         QWidget *parent = nullptr);

    TextLabel *nameLabel() const { return m_name; }
    // None while the computer does not answer.
    QWidget *lastSeenDot() const { return m_lastSeen; }
    ConnectionStatusIndicator *indicator() const { return m_indicator; }

Q_SIGNALS:
    void selected();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ConnectionStatusIndicator *m_indicator;
    TextLabel *m_name;
    QWidget *m_lastSeen = nullptr;
};

} // namespace verandel
