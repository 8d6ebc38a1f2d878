#include "settings/linked/DiscoveryModeView.h"

#include "common/PermissionGuidanceView.h"
#include "kit/CapsuleBadge.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/ToggleSwitch.h"
#include "models/DiscoveryViewModelProtocol.h"
#include "settings/linked/NearbyMacsSectionView.h"
#include "settings/linked/SecurityCodeView.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int headerSpacing = 8;
constexpr int stepTextSpacing = 10;
constexpr int activeSectionSpacing = 10;

} // namespace

DiscoveryModeView::DiscoveryModeView(DiscoveryViewModelProtocol *model, IconProviderPtr icons, QWidget *parent)
    : Card(parent)
    , m_model(model)
    , m_switch(new ToggleSwitch(this))
    , m_badge(new CapsuleBadge(icons, this))
    , m_statusLine(new QWidget(this))
    , m_statusIcon(new IconView(icons, {}, Metrics::iconRegular, m_statusLine))
    , m_statusText(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, m_statusLine))
    , m_secondaryStatus(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, this))
    , m_activeSection(new QWidget(this))
    , m_code(new SecurityCodeView(icons, m_activeSection))
    , m_nearby(nullptr)
    , m_guidance(new PermissionGuidanceView(icons, this))
    , m_setupSteps(makeSetupSteps(icons))
{
    // Header: the title, then the switch or the badge that stands in for it.
    auto *title = new TextLabel(TextStyle::Headline, ThemeColor::PrimaryText, this);
    title->setText(QStringLiteral("Discovery Mode"));
    m_switch->setAccessibleName(QStringLiteral("Discovery Mode"));
    m_badge->setLook({ThemeTint{ThemeColor::SecondaryText}, ThemeTint{ThemeColor::WindowBackground},
                      ThemeTint{ThemeColor::Separator}, BadgeLook::Shape::Capsule});
    auto *badgeSlot = new QWidget(this);
    badgeSlot->setMinimumWidth(Metrics::flowBadgeWidth);
    auto *badgeLayout = new QHBoxLayout(badgeSlot);
    badgeLayout->setContentsMargins({});
    badgeLayout->addStretch(1);
    badgeLayout->addWidget(m_badge);
    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(Metrics::sectionSpacing);
    titleRow->addWidget(title, 1, Qt::AlignVCenter);
    titleRow->addWidget(m_switch, 0, Qt::AlignVCenter);
    titleRow->addWidget(badgeSlot, 0, Qt::AlignVCenter);

    auto *statusLayout = new QHBoxLayout(m_statusLine);
    statusLayout->setContentsMargins({});
    statusLayout->setSpacing(Metrics::badgeIconSpacing);
    statusLayout->addWidget(m_statusIcon, 0, Qt::AlignVCenter);
    statusLayout->addWidget(m_statusText, 1);
    m_statusText->setWordWrap(true);
    m_secondaryStatus->setWordWrap(true);

    auto *header = new QVBoxLayout;
    header->setSpacing(headerSpacing);
    header->addLayout(titleRow);
    header->addWidget(m_statusLine);
    header->addWidget(m_secondaryStatus);

    // While Discovery Mode runs: what to compare, the code, and the computers found.
    auto *compare = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, m_activeSection);
    compare->setFontWeight(QFont::DemiBold);
    compare->setWordWrap(true);
    compare->setText(QStringLiteral("Make sure the security code matches on your other computer before connecting"));
    const QPointer<DiscoveryViewModelProtocol> guarded(model);
    m_code->setOnRefresh([guarded] {
        if (guarded) {
            guarded->generateNewSecurityCode();
        }
    });
    const auto forward = [guarded](QCoro::Task<> (DiscoveryViewModelProtocol::*operation)(DiscoverableMac)) {
        return [guarded, operation](const DiscoverableMac &mac) {
            if (guarded) {
                ((*guarded).*operation)(mac);
            }
        };
    };
    m_nearby = new NearbyMacsSectionView(icons,
                                         {forward(&DiscoveryViewModelProtocol::requestConnection),
                                          forward(&DiscoveryViewModelProtocol::acceptConnection),
                                          forward(&DiscoveryViewModelProtocol::cancelConnection),
                                          forward(&DiscoveryViewModelProtocol::rejectConnection)},
                                         m_activeSection);
    auto *active = new QVBoxLayout(m_activeSection);
    active->setContentsMargins({});
    active->setSpacing(activeSectionSpacing);
    active->addWidget(compare);
    active->addWidget(m_code);
    active->addWidget(m_nearby);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins({});
    column->setSpacing(Metrics::screenSpacing);
    column->addLayout(header);
    column->addWidget(m_activeSection);
    column->addWidget(m_guidance);
    column->addWidget(m_setupSteps);

    connect(m_switch, &QAbstractButton::clicked, this, &DiscoveryModeView::switchClicked);
    if (model) {
        for (const auto signal :
             {&DiscoveryViewModelProtocol::isDiscoveryActiveChanged, &DiscoveryViewModelProtocol::discoveredMacsChanged,
              &DiscoveryViewModelProtocol::currentSecurityCodeChanged,
              &DiscoveryViewModelProtocol::inlinePermissionGuidanceStateChanged,
              &DiscoveryViewModelProtocol::canEnableDiscoveryChanged,
              &DiscoveryViewModelProtocol::permissionGuidanceConfigurationChanged,
              &DiscoveryViewModelProtocol::connectionRequestsChanged}) {
            connect(model, signal, this, &DiscoveryModeView::refresh);
        }
    }
    refresh();
}

QWidget *DiscoveryModeView::makeSetupSteps(const IconProviderPtr &icons)
{
    auto *steps = new QWidget(this);
    auto *lead = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, steps);
    lead->setFontWeight(QFont::DemiBold);
    lead->setText(QStringLiteral("Turn on Discovery Mode to pair another computer:"));
    auto *list = new QVBoxLayout;
    list->setSpacing(Metrics::stepSpacing);
    for (const DiscoveryModePresentation::Step &step : DiscoveryModePresentation::setupSteps()) {
        auto *icon = new IconView(icons, step.iconName, Metrics::iconRegular, steps);
        icon->setColor(ThemeColor::Accent);
        auto *text = new TextLabel(TextStyle::Callout, ThemeColor::PrimaryText, steps);
        text->setText(step.text);
        text->setWordWrap(true);
        auto *row = new QHBoxLayout;
        row->setSpacing(stepTextSpacing);
        row->addWidget(icon, 0, Qt::AlignTop);
        row->addWidget(text, 1);
        list->addLayout(row);
    }
    auto *column = new QVBoxLayout(steps);
    column->setContentsMargins({});
    column->setSpacing(headerSpacing);
    column->addWidget(lead);
    column->addLayout(list);
    return steps;
}

void DiscoveryModeView::refresh()
{
    if (!m_model) {
        return;
    }
    const DiscoveryViewModelProtocol &model = *m_model;
    const std::optional<SecurityCode> code = model.currentSecurityCode();
    const std::optional<PermissionGuidanceConfiguration> configuration = model.permissionGuidanceConfiguration();
    m_presentation
        = DiscoveryModePresentation::of({model.isDiscoveryActive(), model.inlinePermissionGuidanceState(),
                                         model.canEnableDiscovery(), code.has_value(), configuration.has_value()});
    const DiscoveryModePresentation &shown = m_presentation;

    {
        const QSignalBlocker blocker(m_switch);
        m_switch->setChecked(shown.switchOn);
    }
    m_switch->setEnabled(shown.switchEnabled);
    m_switch->setVisible(shown.showsSwitch);
    m_badge->parentWidget()->setVisible(!shown.showsSwitch);
    m_badge->setContent(shown.badgeText, shown.badgeIconName, m_badge->look());

    m_statusLine->setVisible(shown.showsStatus);
    m_statusIcon->setName(shown.statusIconName);
    m_statusIcon->setColor(shown.statusColor);
    m_statusText->setText(shown.statusText);
    m_statusText->setColor(shown.statusColor);
    m_secondaryStatus->setVisible(shown.showsStatus && shown.secondaryStatusText.has_value());
    m_secondaryStatus->setText(shown.secondaryStatusText.value_or(QString()));

    using Content = DiscoveryModePresentation::Content;
    m_activeSection->setVisible(shown.content == Content::ActiveSection);
    m_guidance->setVisible(shown.content == Content::GuidanceCard);
    m_setupSteps->setVisible(shown.content == Content::SetupSteps);
    if (shown.content == Content::ActiveSection) {
        m_code->setCode(code->code());
        const QPointer<DiscoveryViewModelProtocol> guarded(m_model);
        m_nearby->setMacs(model.discoveredMacs(), [guarded](const DiscoverableMac &mac) {
            return guarded ? guarded->getConnectionRequest(mac) : std::nullopt;
        });
    }
    if (shown.content == Content::GuidanceCard) {
        m_guidance->setConfiguration(*configuration);
    }
}

void DiscoveryModeView::switchClicked(bool on)
{
    const bool shown = m_presentation.switchOn;
    // The switch shows the model, not the click; it moves when the model does.
    refresh();
    if (on != shown && m_model) {
        m_model->setDiscoveryModeEnabled(on);
    }
}

} // namespace verandel
