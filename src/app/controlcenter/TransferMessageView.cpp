#include "controlcenter/TransferMessageView.h"

#include "common/BusyAnimation.h"
#include "kit/BusyBar.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int lineSpacing = 6;

} // namespace

TransferMessageView::TransferMessageView(IconProviderPtr icons, ClockPtr clock, QWidget *parent)
    : Card(parent)
    , m_icon(new IconView(std::move(icons), {}, Metrics::iconRegular, this))
    , m_label(new TextLabel(TextStyle::Callout, ThemeColor::PrimaryText, this))
    , m_busy(new BusyBar(Metrics::loadingBusyBarWidth, this))
{
    m_label->setFontWeight(QFont::Medium);
    m_label->setWordWrap(true);
    m_busy->setAccessibleName(QStringLiteral("Transfer in progress"));
    BusyAnimation::drive(clock, m_busy);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(lineSpacing);
    texts->addWidget(m_label);
    // Aligned, so that its fixed width does not narrow the message above it.
    texts->addWidget(m_busy, 0, Qt::AlignLeft);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins({});
    row->setSpacing(Metrics::cardHeaderSpacing);
    row->addWidget(m_icon, 0, Qt::AlignLeft | Qt::AlignTop);
    row->addLayout(texts, 1);
    setMessage({}, m_kind);
}

QString TransferMessageView::iconName(ControlCenterTransferMessageKind kind)
{
    switch (kind) {
    case ControlCenterTransferMessageKind::InProgress: return QStringLiteral("arrow.left.arrow.right");
    case ControlCenterTransferMessageKind::Done: return QStringLiteral("checkmark.circle.fill");
    case ControlCenterTransferMessageKind::Warning: break;
    }
    return QStringLiteral("exclamationmark.triangle.fill");
}

ThemeColor TransferMessageView::iconColor(ControlCenterTransferMessageKind kind)
{
    switch (kind) {
    case ControlCenterTransferMessageKind::InProgress: return ThemeColor::Accent;
    case ControlCenterTransferMessageKind::Done: return ThemeColor::Green;
    case ControlCenterTransferMessageKind::Warning: break;
    }
    return ThemeColor::Orange;
}

CardLook TransferMessageView::lookOf(ControlCenterTransferMessageKind kind)
{
    return kind == ControlCenterTransferMessageKind::Warning ? CardLook::warning() : CardLook{};
}

void TransferMessageView::setMessage(const QString &message, ControlCenterTransferMessageKind kind)
{
    m_kind = kind;
    const CardLook look = lookOf(kind);
    setLook(look);
    m_icon->setName(iconName(kind));
    m_icon->setColor(iconColor(kind));
    m_label->setBackdrop(look.fill);
    m_label->setText(message);
    m_busy->setVisible(kind == ControlCenterTransferMessageKind::InProgress);
    setAccessibleName(message);
}

} // namespace verandel
