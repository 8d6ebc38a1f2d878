#include "common/PermissionGuidanceView.h"

#include "common/PermissionGuidanceAppearance.h"
#include "kit/CapsuleButton.h"
#include "kit/FlowLayout.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace verandel {

PermissionGuidanceView::PermissionGuidanceView(IconProviderPtr icons, QWidget *parent)
    : Card(parent)
    , m_icon(new IconView(std::move(icons), {}, Metrics::iconHeading, this))
    , m_title(new TextLabel(TextStyle::Headline, ThemeColor::PrimaryText, this))
    , m_message(new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, this))
    , m_detail(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, this))
    , m_primary(new CapsuleButton({}, CapsuleButton::Kind::Prominent, this))
    , m_secondary(new CapsuleButton({}, CapsuleButton::Kind::Bordered, this))
{
    // Every text wraps onto as many lines as it needs; none is cut.
    m_title->setWordWrap(true);
    m_message->setWordWrap(true);
    m_detail->setWordWrap(true);

    auto *heading = new QHBoxLayout;
    heading->setSpacing(Metrics::cardSpacing);
    heading->addWidget(m_icon, 0, Qt::AlignVCenter);
    heading->addWidget(m_title, 1);

    // In a narrow column the secondary button moves under the primary one rather than being cut.
    auto *buttons = new FlowLayout(Metrics::buttonSpacing, Metrics::buttonSpacing);
    buttons->addWidget(m_primary);
    buttons->addWidget(m_secondary);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins({});
    column->setSpacing(Metrics::cardSpacing);
    column->addLayout(heading);
    column->addWidget(m_message);
    column->addWidget(m_detail);
    column->addLayout(buttons);

    connect(m_primary, &QAbstractButton::clicked, this, &PermissionGuidanceView::runPrimaryAction);
    connect(m_secondary, &QAbstractButton::clicked, this, &PermissionGuidanceView::runSecondaryAction);
    setConfiguration({});
}

void PermissionGuidanceView::setConfiguration(const PermissionGuidanceConfiguration &configuration)
{
    m_configuration = configuration;
    const PermissionGuidanceAppearance appearance = PermissionGuidanceAppearance::of(configuration);
    setLook(appearance.cardLook);
    m_icon->setName(appearance.iconName);
    m_icon->setColor(appearance.iconColor);
    for (TextLabel *label : {m_title, m_message, m_detail}) {
        label->setBackdrop(appearance.cardLook.fill);
    }
    m_title->setText(configuration.title);
    m_message->setText(configuration.message);
    m_detail->setText(configuration.detail.value_or(QString()));
    m_detail->setVisible(appearance.showsDetail);
    m_primary->setText(configuration.primaryActionTitle);
    m_secondary->setText(configuration.secondaryActionTitle.value_or(QString()));
    m_secondary->setVisible(appearance.showsSecondaryButton);
    setAccessibleName(configuration.title);
}

// The action may hand the card a new configuration (or drop the card); it runs from a copy.
void PermissionGuidanceView::runPrimaryAction()
{
    if (const std::function<void()> action = m_configuration.primaryAction) {
        action();
    }
}

void PermissionGuidanceView::runSecondaryAction()
{
    if (const std::function<void()> action = m_configuration.secondaryAction) {
        action();
    }
}

} // namespace verandel
