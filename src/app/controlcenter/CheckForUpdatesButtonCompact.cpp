#include "controlcenter/CheckForUpdatesButtonCompact.h"

#include "kit/CapsuleButton.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStyleOptionButton>

namespace verandel {

namespace {

constexpr int rowHorizontalPadding = 8;
constexpr int rowVerticalPadding = 6;

// Links at the body size: their accent text reads at 4.5:1 there, where thin caption strokes do not.
CapsuleButton *linkButton(const QString &title)
{
    return new CapsuleButton(title, CapsuleButton::Kind::Plain);
}

} // namespace

MenuItemRow::MenuItemRow(IconProviderPtr icons, const QString &icon, const QString &title,
                         const std::optional<QString> &shortcut, bool isDestructive, QWidget *parent)
    : QPushButton(parent)
    , m_icon(new IconView(std::move(icons), icon, Metrics::iconRegular))
    , m_title(new TextLabel(TextStyle::Body))
    , m_shortcut(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText))
{
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(rowHorizontalPadding, rowVerticalPadding, rowHorizontalPadding, rowVerticalPadding);
    m_title->setText(title);
    m_title->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_shortcut->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (isDestructive) {
        m_icon->setColor(ThemeColor::Red);
        m_title->setColor(ThemeColor::Red);
    }
    row->addWidget(m_icon);
    row->addWidget(m_title);
    row->addStretch(1);
    row->addSpacing(rowHorizontalPadding);
    m_shortcut->setText(shortcut.value_or(QString()));
    m_shortcut->setVisible(shortcut.has_value());
    row->addWidget(m_shortcut);
}

QSize MenuItemRow::sizeHint() const
{
    return layout()->sizeHint();
}

void MenuItemRow::paintEvent(QPaintEvent *)
{
    // Flat like a menu entry; the hovered or focused row is tinted.
    if (underMouse() || hasFocus() || isDown()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::color(palette(), ThemeTint{ThemeColor::Accent, isDown() ? 0.25 : 0.14}));
        painter.drawRoundedRect(rect(), Metrics::statusBadgeRadius / 2.0, Metrics::statusBadgeRadius / 2.0);
    }
}

CheckForUpdatesButtonCompact::CheckForUpdatesButtonCompact(IconProviderPtr icons, QWidget *parent)
    : QWidget(parent)
    , m_check(new MenuItemRow(icons, QStringLiteral("arrow.down.circle"), QStringLiteral("Check for Updates…")))
    , m_statusRow(new QWidget)
    , m_symbol(new IconView(icons, QStringLiteral("arrow.down.circle"), Metrics::iconRegular))
    , m_status(new TextLabel(TextStyle::Body, ThemeColor::SecondaryText))
    , m_install(linkButton(QStringLiteral("Install")))
    , m_later(linkButton(QStringLiteral("Later")))
    , m_tryAgain(linkButton(QStringLiteral("Try again")))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins({});
    column->setSpacing(0);
    column->addWidget(m_check);
    column->addWidget(m_statusRow);
    auto *row = new QHBoxLayout(m_statusRow);
    row->setContentsMargins(rowHorizontalPadding, rowVerticalPadding, rowHorizontalPadding, rowVerticalPadding);
    row->setSpacing(rowHorizontalPadding);
    // An error message is a sentence; it wraps rather than losing its end at narrow widths.
    m_status->setWordWrap(true);
    m_status->setAvoidsLoneLastWord(true);
    row->addWidget(m_symbol);
    row->addWidget(m_status, 1);
    for (CapsuleButton *button : {m_install, m_later, m_tryAgain}) {
        row->addWidget(button);
    }
    connect(m_check, &QPushButton::clicked, this, &CheckForUpdatesButtonCompact::checkRequested);
    connect(m_install, &QPushButton::clicked, this, &CheckForUpdatesButtonCompact::installChosen);
    connect(m_later, &QPushButton::clicked, this, &CheckForUpdatesButtonCompact::laterChosen);
    connect(m_tryAgain, &QPushButton::clicked, this, &CheckForUpdatesButtonCompact::tryAgainRequested);
    setSnapshot({});
}

void CheckForUpdatesButtonCompact::setSnapshot(const UpdateCheckSnapshot &snapshot)
{
    m_row = checkForUpdatesRow(snapshot);
    m_check->setVisible(m_row == CheckForUpdatesRow::CheckForUpdates);
    m_statusRow->setVisible(m_row != CheckForUpdatesRow::CheckForUpdates);
    m_install->setVisible(m_row == CheckForUpdatesRow::UpdateAvailable);
    m_later->setVisible(m_row == CheckForUpdatesRow::UpdateAvailable);
    m_tryAgain->setVisible(m_row == CheckForUpdatesRow::Error);
    switch (m_row) {
    case CheckForUpdatesRow::CheckForUpdates: return;
    case CheckForUpdatesRow::Checking:
        m_symbol->setName(QStringLiteral("hourglass"));
        m_symbol->setColor(ThemeColor::SecondaryText);
        m_status->setText(QStringLiteral("Checking for updates…"));
        return;
    case CheckForUpdatesRow::UpdateAvailable:
        m_symbol->setName(QStringLiteral("arrow.down.circle"));
        m_symbol->setColor(ThemeColor::Green);
        m_status->setText(QStringLiteral("Update ") + *snapshot.availableVersion);
        return;
    case CheckForUpdatesRow::Error:
        m_symbol->setName(QStringLiteral("exclamationmark.triangle"));
        m_symbol->setColor(ThemeColor::Orange);
        m_status->setText(*snapshot.errorMessage);
        return;
    }
}

} // namespace verandel
