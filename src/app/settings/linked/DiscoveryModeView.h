#pragma once

#include "kit/Card.h"
#include "kit/IconProvider.h"
#include "settings/linked/DiscoveryModePresentation.h"

#include <QPointer>

namespace verandel {

class CapsuleBadge;
class DiscoveryViewModelProtocol;
class IconView;
class NearbyMacsSectionView;
class PermissionGuidanceView;
class SecurityCodeView;
class TextLabel;
class ToggleSwitch;

// The Discovery Mode card of the Linked Computers tab: the switch (or, while a Local Network card waits,
// a badge in its place), a status line, and below it the security code with the nearby computers, the
// Local Network card, or the setup steps. Everything comes from the model and is re-rendered in place
// whenever the model announces a change; every user action is one call on the model, started and not
// waited for.
class DiscoveryModeView : public Card
{
    Q_OBJECT

public:
    DiscoveryModeView(DiscoveryViewModelProtocol *model, IconProviderPtr icons, QWidget *parent = nullptr);

    const DiscoveryModePresentation &presentation() const { return m_presentation; }

    ToggleSwitch *discoverySwitch() const { return m_switch; }
    CapsuleBadge *flowBadge() const { return m_badge; }
    QWidget *statusLine() const { return m_statusLine; }
    TextLabel *statusLabel() const { return m_statusText; }
    TextLabel *secondaryStatusLabel() const { return m_secondaryStatus; }
    QWidget *activeSection() const { return m_activeSection; }
    PermissionGuidanceView *guidanceCard() const { return m_guidance; }
    QWidget *setupSteps() const { return m_setupSteps; }
    SecurityCodeView *securityCodeView() const { return m_code; }
    NearbyMacsSectionView *nearbySection() const { return m_nearby; }

public Q_SLOTS:
    void refresh();

private:
    QWidget *makeSetupSteps(const IconProviderPtr &icons);
    void switchClicked(bool on);

    QPointer<DiscoveryViewModelProtocol> m_model;
    DiscoveryModePresentation m_presentation;
    ToggleSwitch *m_switch;
    CapsuleBadge *m_badge;
    QWidget *m_statusLine;
    IconView *m_statusIcon;
    TextLabel *m_statusText;
    TextLabel *m_secondaryStatus;
    QWidget *m_activeSection;
    SecurityCodeView *m_code;
    NearbyMacsSectionView *m_nearby;
    PermissionGuidanceView *m_guidance;
    QWidget *m_setupSteps;
};

} // namespace verandel
