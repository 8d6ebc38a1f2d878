#pragma once

#include "kit/IconProvider.h"
#include "settings/linked/DiscoveredMacRowPresentation.h"

#include <QWidget>

#include <functional>

namespace verandel {

class CapsuleBadge;
class ConnectionActionButton;
class ConnectionActionDualButton;
class ConnectionStatusBadge;
class IconView;
class TextLabel;

// One nearby computer in Discovery Mode: its name, the code it advertises, where the request with it
// stands, and the buttons that move the request on. Updated in place when the request changes.
class DiscoveredMacRow : public QWidget
{
    Q_OBJECT

public:
    struct Actions
    {
        std::function<void()> request;
        std::function<void()> accept;
        std::function<void()> cancel;
        std::function<void()> reject;
    };

    DiscoveredMacRow(IconProviderPtr icons, Actions actions, QWidget *parent = nullptr);

    void setMac(const DiscoverableMac &mac, const std::optional<ConnectionRequest> &request);

    const DiscoveredMacRowPresentation &presentation() const { return m_presentation; }
    TextLabel *nameLabel() const { return m_name; }
    CapsuleBadge *codeBadge() const { return m_code; }
    TextLabel *unavailableCodeLabel() const { return m_unavailableCode; }
    ConnectionStatusBadge *statusBadge() const { return m_status; }
    ConnectionActionButton *actionButton() const { return m_single; }
    ConnectionActionDualButton *dualButton() const { return m_dual; }

private:
    void runSingleAction();

    Actions m_actions;
    DiscoveredMacRowPresentation m_presentation;
    IconView *m_icon;
    TextLabel *m_name;
    TextLabel *m_codeCaption;
    CapsuleBadge *m_code;
    TextLabel *m_unavailableCode;
    ConnectionStatusBadge *m_status;
    QWidget *m_actionRow;
    ConnectionActionButton *m_single;
    ConnectionActionDualButton *m_dual;
};

} // namespace verandel
