#include "settings/linked/ConnectedMacRow.h"

#include "kit/CapsuleBadge.h"
#include "kit/CapsuleButton.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/UntrustedText.h"

#include "models/ConnectionIndicatorPolicy.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr double stateFillOpacity = 0.14;
constexpr int nameSpacing = 2;
constexpr int confirmSpacing = 6;

} // namespace

ConnectedMacRow::ConnectedMacRow(IconProviderPtr icons, std::function<void()> onRemove, QWidget *parent)
    : QWidget(parent)
    , m_onRemove(std::move(onRemove))
    , m_icon(new IconView(icons, QStringLiteral("laptopcomputer"), Metrics::iconInCircle, this))
    , m_name(new TextLabel(TextStyle::Body, ThemeColor::PrimaryText, this))
    , m_badge(new CapsuleBadge(icons, this))
    , m_note(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, this))
    , m_conflictNote(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, this))
    , m_disconnect(new CapsuleButton(QStringLiteral("Disconnect"), CapsuleButton::Kind::Bordered, this))
    , m_cancel(new CapsuleButton(QStringLiteral("Cancel"), CapsuleButton::Kind::Bordered, this))
    , m_confirm(new CapsuleButton(QStringLiteral("Disconnect"), CapsuleButton::Kind::Destructive, this))
{
    m_icon->setCircle(Metrics::iconCircle, stateFillOpacity);
    m_name->setFontWeight(QFont::DemiBold);
    m_name->setElided(true);
    m_note->setText(QStringLiteral("You can reconnect this computer any time via Discovery."));
    m_note->setWordWrap(true);
    m_conflictNote->setText(ConnectionIndicatorPolicy::identityConflictText());
    m_conflictNote->setWordWrap(true);
    m_conflictNote->setAvoidsLoneLastWord(true);
    m_disconnect->setControlSize(CapsuleButton::Size::Small);
    m_disconnect->setToolTip(QStringLiteral("Disconnect this computer"));
    m_cancel->setControlSize(CapsuleButton::Size::Small);
    m_confirm->setControlSize(CapsuleButton::Size::Small);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(nameSpacing);
    texts->addWidget(m_name);
    texts->addWidget(m_badge, 0, Qt::AlignLeft);
    texts->addWidget(m_conflictNote);
    texts->addWidget(m_note);

    auto *confirmation = new QHBoxLayout;
    confirmation->setSpacing(confirmSpacing);
    confirmation->addWidget(m_cancel);
    confirmation->addWidget(m_confirm);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Metrics::rowHorizontalPadding, Metrics::rowVerticalPadding, Metrics::rowHorizontalPadding,
                            Metrics::rowVerticalPadding);
    row->setSpacing(Metrics::rowSpacing);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
    row->addWidget(m_disconnect, 0, Qt::AlignVCenter);
    row->addLayout(confirmation);

    connect(m_disconnect, &QAbstractButton::clicked, this, [this] { setConfirming(true); });
    connect(m_cancel, &QAbstractButton::clicked, this, [this] { setConfirming(false); });
    connect(m_confirm, &QAbstractButton::clicked, this, &ConnectedMacRow::confirmRemoval);
    render();
}

void ConnectedMacRow::setMac(const ConnectedMac &mac, ConnectionState state, bool identityConflict)
{
    m_mac = mac;
    m_state = state;
    m_identityConflict = identityConflict;
    render();
}

void ConnectedMacRow::cancelConfirmation()
{
    if (m_confirming) {
        m_confirming = false;
        render();
    }
}

ThemeColor ConnectedMacRow::stateColor(ConnectionState state)
{
    switch (state) {
    case ConnectionState::Disconnected: return ThemeColor::SecondaryText;
    case ConnectionState::Connecting: return ThemeColor::Blue;
    case ConnectionState::Connected: return ThemeColor::Green;
    case ConnectionState::Unstable: return ThemeColor::Orange;
    case ConnectionState::Error: return ThemeColor::Red;
    }
    return ThemeColor::SecondaryText;
}

QString ConnectedMacRow::badgeText(ConnectionState state)
{
    switch (state) {
    case ConnectionState::Disconnected: return QStringLiteral("Offline");
    case ConnectionState::Connecting: return QStringLiteral("Connecting");
    case ConnectionState::Connected: return QStringLiteral("Connected");
    case ConnectionState::Unstable: return QStringLiteral("Unstable");
    case ConnectionState::Error: return QStringLiteral("Error");
    }
    return {};
}

void ConnectedMacRow::keyPressEvent(QKeyEvent *event)
{
    if (m_confirming && isEnabled()) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
                confirmRemoval();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (event->modifiers() == Qt::NoModifier) {
                setConfirming(false);
                return;
            }
            break;
        default: break;
        }
    }
    QWidget::keyPressEvent(event);
}

void ConnectedMacRow::setConfirming(bool confirming)
{
    m_confirming = confirming;
    render();
    // Return and Escape reach the row through the button that has the focus.
    (confirming ? m_confirm : m_disconnect)->setFocus(Qt::OtherFocusReason);
    if (confirming) {
        Q_EMIT confirmingStarted();
    }
}

void ConnectedMacRow::confirmRemoval()
{
    if (const std::function<void()> onRemove = m_onRemove) {
        onRemove();
    }
}

void ConnectedMacRow::render()
{
    const QString name = m_mac ? m_mac->name() : QString();
    const ThemeColor color = m_identityConflict ? ThemeColor::Orange : stateColor(m_state);
    const QString badge = m_identityConflict ? QStringLiteral("Paused") : badgeText(m_state);
    m_icon->setColor(color);
    m_name->setText(m_confirming ? QStringLiteral("Disconnect ") + UntrustedText::isolated(name) + QLatin1Char('?')
                                 : name);
    m_badge->setContent(badge, m_identityConflict ? QStringLiteral("exclamationmark.triangle") : QString(),
                        BadgeLook::tinted(color, stateFillOpacity));
    m_badge->setAccessibleText(name + QStringLiteral(": ") + badge);
    m_badge->setVisible(!m_confirming);
    m_conflictNote->setVisible(m_identityConflict && !m_confirming);
    m_note->setVisible(m_confirming);
    m_disconnect->setVisible(!m_confirming);
    m_cancel->setVisible(m_confirming);
    m_confirm->setVisible(m_confirming);
    setAccessibleName(name);
}

} // namespace verandel
