#pragma once

#include "kit/CapsuleButton.h"

#include "linking/ConnectionRequest.h"

#include <functional>
#include <optional>

namespace verandel {

// The one button at the end of a nearby computer's row: "Connect", "Accept" or "Cancel" as the request
// stands, hidden once the request is connected or rejected. It is filled with the accent colour in the
// key window, except for "Cancel"; in a background window it is always a plain bordered button. A
// click runs the action, which starts the work and returns at once.
class ConnectionActionButton : public CapsuleButton
{
    Q_OBJECT

public:
    explicit ConnectionActionButton(QWidget *parent = nullptr);

    void setConnectionRequest(const std::optional<ConnectionRequest> &request);
    void setAction(std::function<void()> action) { m_action = std::move(action); }

    // None when the button is not shown.
    static std::optional<QString> titleFor(const std::optional<ConnectionRequest> &request);
    static Kind kindFor(const std::optional<ConnectionRequest> &request, bool windowIsKey);
    // What assistive technology says the button does.
    static QString hintFor(const QString &title);

protected:
    void changeEvent(QEvent *event) override;

private:
    void restyle();

    std::optional<ConnectionRequest> m_request;
    std::function<void()> m_action;
};

} // namespace verandel
