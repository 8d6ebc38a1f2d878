#include "common/DeviceRowCompact.h"

#include "common/DeviceInfoRow.h"
#include "kit/CapsuleButton.h"
#include "kit/Card.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/UntrustedText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr double boxOpacity = 0.08;
constexpr int boxHorizontalPadding = 10;
constexpr int boxVerticalPadding = 8;
constexpr int rowTrailingSpacing = 16;

} // namespace

DeviceRowCompact::DeviceRowCompact(IconProviderPtr icons, QWidget *parent)
    : QWidget(parent)
    , m_info(new DeviceInfoRow(icons, true, DeviceInfoRow::Placement::InList, this))
    , m_button(new CapsuleButton(QString(), CapsuleButton::Kind::Bordered, this))
    , m_box(new Card(this))
    , m_supporting(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, this))
{
    m_button->setControlSize(CapsuleButton::Size::Small);
    connect(m_button, &CapsuleButton::clicked, this, [this] {
        if (m_shown.control == DeviceRowPresentation::Control::StopTransfer) {
            Q_EMIT stopSharingClicked();
        } else {
            Q_EMIT shareClicked();
        }
    });

    m_box->setLook({ThemeTint{ThemeColor::SecondaryText, boxOpacity}, ThemeTint{ThemeColor::SecondaryText, 0}});
    m_box->setContentsMargins(boxHorizontalPadding, boxVerticalPadding, boxHorizontalPadding, boxVerticalPadding);
    auto *info = new IconView(icons, QStringLiteral("info.circle"), Metrics::iconRegular, m_box);
    info->setColor(ThemeColor::SecondaryText);
    auto *boxLayout = new QHBoxLayout(m_box);
    boxLayout->setContentsMargins({});
    boxLayout->setSpacing(boxVerticalPadding);
    boxLayout->addWidget(info, 0, Qt::AlignTop);
    m_supporting->setWordWrap(true);

    auto *top = new QHBoxLayout;
    top->setSpacing(rowTrailingSpacing);
    top->addWidget(m_info, 1);
    top->addWidget(m_button, 0, Qt::AlignVCenter);

    // The explanation lines up with the name, under the identity row.
    m_details = new QVBoxLayout;
    m_details->setContentsMargins(Metrics::iconCircle + Metrics::rowSpacing, 0, 0, 0);
    m_details->setSpacing(boxVerticalPadding);
    m_details->addWidget(m_supporting);
    m_details->addWidget(m_box);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Metrics::rowHorizontalPadding, Metrics::rowVerticalPadding,
                               Metrics::rowHorizontalPadding, Metrics::rowVerticalPadding);
    column->setSpacing(boxVerticalPadding);
    column->addLayout(top);
    column->addLayout(m_details);
}

void DeviceRowCompact::setDeviceState(const DeviceState &state, DeviceRowCompactMode mode)
{
    m_shown = DeviceRowPresentation::make(state, mode);
    m_info->setDeviceState(state);
    setToolTip(UntrustedText::toolTip(m_shown.toolTip));
    setAccessibleName(state.displayName());

    m_button->setText(DeviceRowPresentation::controlText(m_shown.control));
    m_button->setKind(m_shown.control == DeviceRowPresentation::Control::AllowTransfer ? CapsuleButton::Kind::Prominent
                                                                                       : CapsuleButton::Kind::Bordered);
    m_button->setToolTip(m_shown.control == DeviceRowPresentation::Control::StopTransfer
                             ? UntrustedText::toolTip(QStringLiteral("Stop transferring this device"))
                             : QString());

    // The text moves into the box for an experimental device and back out otherwise.
    auto *boxLayout = static_cast<QHBoxLayout *>(m_box->layout());
    if (m_shown.supportingTextBoxed && m_supporting->parentWidget() != m_box) {
        m_details->removeWidget(m_supporting);
        m_supporting->setParent(m_box);
        boxLayout->addWidget(m_supporting, 1);
    } else if (!m_shown.supportingTextBoxed && m_supporting->parentWidget() == m_box) {
        boxLayout->removeWidget(m_supporting);
        m_supporting->setParent(this);
        m_details->insertWidget(0, m_supporting);
    }
    m_supporting->setText(m_shown.supportingText.value_or(QString()));
    m_supporting->setVisible(m_shown.supportingText.has_value());
    m_box->setVisible(m_shown.supportingTextBoxed);
}

void DeviceRowCompact::setInteractionDisabled(bool disabled)
{
    m_button->setEnabled(!disabled);
}

} // namespace verandel
