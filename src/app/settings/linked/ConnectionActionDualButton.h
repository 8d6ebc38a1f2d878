#pragma once

#include "linking/ConnectionRequest.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace verandel {

class CapsuleButton;

// "Accept" and "Reject" for a request another computer sent to this one. Both take clicks only while
// that request is pending; otherwise they stay in place, disabled. "Accept" is filled with the accent
// colour in the key window.
class ConnectionActionDualButton : public QWidget
{
    Q_OBJECT

public:
    explicit ConnectionActionDualButton(QWidget *parent = nullptr);

    void setConnectionRequest(const std::optional<ConnectionRequest> &request);
    void setActions(std::function<void()> onAccept, std::function<void()> onReject);

    CapsuleButton *acceptButton() const { return m_accept; }
    CapsuleButton *rejectButton() const { return m_reject; }

    static bool isEnabledFor(const std::optional<ConnectionRequest> &request);

protected:
    void changeEvent(QEvent *event) override;

private:
    void restyle();

    CapsuleButton *m_accept;
    CapsuleButton *m_reject;
    std::function<void()> m_onAccept;
    std::function<void()> m_onReject;
};

} // namespace verandel
