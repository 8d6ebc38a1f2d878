#pragma once

#include "kit/Card.h"
#include "kit/IconProvider.h"
#include "models/PermissionGuidanceConfiguration.h"

namespace verandel {

class CapsuleButton;
class IconView;
class TextLabel;

// The one card that explains a missing permission and offers the way out: a heading with the style's
// symbol, the message, an optional detail and one or two buttons. It shows exactly what its
// configuration says and runs the configuration's actions; it keeps no state of its own and never hides
// itself. A new configuration re-renders the same widgets in place.
class PermissionGuidanceView : public Card
{
    Q_OBJECT

public:
    explicit PermissionGuidanceView(IconProviderPtr icons, QWidget *parent = nullptr);

    void setConfiguration(const PermissionGuidanceConfiguration &configuration);

    IconView *iconView() const { return m_icon; }
    TextLabel *titleLabel() const { return m_title; }
    TextLabel *messageLabel() const { return m_message; }
    TextLabel *detailLabel() const { return m_detail; }
    CapsuleButton *primaryButton() const { return m_primary; }
    CapsuleButton *secondaryButton() const { return m_secondary; }

private:
    void runPrimaryAction();
    void runSecondaryAction();

    PermissionGuidanceConfiguration m_configuration;
    IconView *m_icon;
    TextLabel *m_title;
    TextLabel *m_message;
    TextLabel *m_detail;
    CapsuleButton *m_primary;
    CapsuleButton *m_secondary;
};

} // namespace verandel
