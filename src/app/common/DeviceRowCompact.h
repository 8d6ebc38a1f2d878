#pragma once

#include "common/DeviceRowCompactMode.h"
#include "common/DeviceRowPresentation.h"
#include "kit/IconProvider.h"

#include <QWidget>

class QVBoxLayout;

namespace verandel {

class CapsuleButton;
class Card;
class DeviceInfoRow;
class TextLabel;

// One row of the Devices tab's lists: a device's identity with its connection status, the button that
// allows or stops its transfer, and a line explaining its state when there is something to explain. The
// row changes nothing itself: its buttons announce the user's choice. It is kept per device and updated
// in place.
class DeviceRowCompact : public QWidget
{
    Q_OBJECT

public:
    explicit DeviceRowCompact(IconProviderPtr icons, QWidget *parent = nullptr);

    void setDeviceState(const DeviceState &state, DeviceRowCompactMode mode);
    // Disables the button; texts and the tool tip stay.
    void setInteractionDisabled(bool disabled);

    const DeviceRowPresentation &presentation() const { return m_shown; }
    DeviceInfoRow *infoRow() const { return m_info; }
    CapsuleButton *button() const { return m_button; }
    // The box of an experimental device's text; the text itself is supportingLabel().
    Card *supportingBox() const { return m_box; }
    TextLabel *supportingLabel() const { return m_supporting; }

Q_SIGNALS:
    // "Allow Transfer" or "Allow Anyway".
    void shareClicked();
    void stopSharingClicked();

private:
    DeviceInfoRow *m_info;
    CapsuleButton *m_button;
    Card *m_box;
    TextLabel *m_supporting;
    QVBoxLayout *m_details = nullptr;
    DeviceRowPresentation m_shown{};
};

} // namespace verandel
