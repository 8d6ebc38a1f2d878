#include "settings/linked/DiscoveredMacRow.h"

#include "common/ConnectionStatusBadge.h"
#include "kit/CapsuleBadge.h"
#include "kit/FlowLayout.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"
#include "settings/linked/ConnectionActionButton.h"
#include "settings/linked/ConnectionActionDualButton.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr double iconCircleOpacity = 0.14;
constexpr double codeBorderOpacity = 0.08;
constexpr int detailSpacing = 10;
constexpr int codeLineSpacing = 8;

} // namespace

DiscoveredMacRow::DiscoveredMacRow(IconProviderPtr icons, Actions actions, QWidget *parent)
    : QWidget(parent)
    , m_actions(std::move(actions))
    , m_icon(new IconView(icons, QStringLiteral("laptopcomputer"), Metrics::iconInCircle, this))
    , m_name(new TextLabel(TextStyle::Body, ThemeColor::PrimaryText, this))
    , m_codeCaption(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, this))
    , m_code(new CapsuleBadge(icons, this))
    , m_unavailableCode(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, this))
    , m_status(new ConnectionStatusBadge(icons, this))
    , m_actionRow(new QWidget(this))
    , m_single(new ConnectionActionButton(m_actionRow))
    , m_dual(new ConnectionActionDualButton(m_actionRow))
{
    m_icon->setCircle(Metrics::iconCircle, iconCircleOpacity);
    m_name->setFontWeight(QFont::DemiBold);
    m_name->setElided(true);
    m_codeCaption->setText(QStringLiteral("Security code"));
    m_code->setFont(Theme::font(TextStyle::CodeInline));
    m_code->setLook({ThemeTint{ThemeColor::PrimaryText}, ThemeTint{ThemeColor::ControlBackground},
                     ThemeTint{ThemeColor::PrimaryText, codeBorderOpacity}, BadgeLook::Shape::Capsule});

    // The code with its caption, then the request's status; in a narrow row the status moves to a line
    // of its own instead of cutting the caption.
    auto *codeGroup = new QWidget(this);
    auto *codeGroupLayout = new QHBoxLayout(codeGroup);
    codeGroupLayout->setContentsMargins({});
    codeGroupLayout->setSpacing(codeLineSpacing);
    codeGroupLayout->addWidget(m_codeCaption, 0, Qt::AlignVCenter);
    codeGroupLayout->addWidget(m_code, 0, Qt::AlignVCenter);
    codeGroupLayout->addWidget(m_unavailableCode, 0, Qt::AlignVCenter);
    auto *codeLineWidget = new QWidget(this);
    auto *codeLine = new FlowLayout(codeLineSpacing * 2, codeLineSpacing, codeLineWidget);
    codeLine->setContentsMargins({});
    codeLine->addWidget(codeGroup);
    codeLine->addWidget(m_status);

    auto *actionLayout = new QHBoxLayout(m_actionRow);
    actionLayout->setContentsMargins({});
    actionLayout->setSpacing(Metrics::buttonSpacing);
    actionLayout->addWidget(m_single);
    actionLayout->addWidget(m_dual);
    actionLayout->addStretch(1);

    auto *details = new QVBoxLayout;
    details->setSpacing(detailSpacing);
    details->addWidget(m_name);
    details->addWidget(codeLineWidget);
    details->addWidget(m_actionRow);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Metrics::rowHorizontalPadding, Metrics::rowVerticalPadding, Metrics::rowHorizontalPadding,
                            Metrics::rowVerticalPadding);
    row->setSpacing(Metrics::rowSpacing);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addLayout(details, 1);

    connect(m_single, &QAbstractButton::clicked, this, &DiscoveredMacRow::runSingleAction);
    m_dual->setActions(m_actions.accept, m_actions.reject);
}

void DiscoveredMacRow::setMac(const DiscoverableMac &mac, const std::optional<ConnectionRequest> &request)
{
    m_presentation = DiscoveredMacRowPresentation::of(mac, request);
    m_icon->setColor(m_presentation.accentColor);
    m_name->setText(m_presentation.name);
    m_code->setText(m_presentation.securityCode.value_or(QString()));
    m_code->setVisible(m_presentation.securityCode.has_value());
    m_unavailableCode->setText(m_presentation.unavailableCodeText);
    m_unavailableCode->setVisible(!m_presentation.securityCode.has_value());
    m_status->setConnectionRequest(request);
    m_single->setConnectionRequest(request);
    m_dual->setConnectionRequest(request);
    m_actionRow->setVisible(m_presentation.showsActionControls);
    m_single->setVisible(m_presentation.showsActionControls && !m_presentation.showsDualButton);
    m_dual->setVisible(m_presentation.showsDualButton);
    setAccessibleName(m_presentation.name);
}

void DiscoveredMacRow::runSingleAction()
{
    std::function<void()> action;
    switch (m_presentation.action) {
    case DiscoveredMacRowPresentation::Action::Request: action = m_actions.request; break;
    case DiscoveredMacRowPresentation::Action::Cancel: action = m_actions.cancel; break;
    case DiscoveredMacRowPresentation::Action::None: break;
    }
    if (action) {
        action();
    }
}

} // namespace verandel
