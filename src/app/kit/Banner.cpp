#include "kit/Banner.h"

#include "kit/CapsuleButton.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace verandel {

Banner::Banner(IconProviderPtr icons, QWidget *parent)
    : Card(parent)
    , m_icons(std::move(icons))
    , m_icon(new IconView(m_icons, {}, Metrics::iconHeading, this))
    , m_title(new TextLabel(TextStyle::Callout, ThemeColor::PrimaryText, this))
    , m_message(new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText, this))
    , m_action(new CapsuleButton({}, CapsuleButton::Kind::Bordered, this))
    , m_dismiss(new QToolButton(this))
{
    m_title->setFontWeight(QFont::DemiBold);
    // A title may name something from elsewhere (the device just stopped): too long for the line, it
    // ends in "…" and the tool tip holds it whole.
    m_title->setElided(true);
    m_message->setWordWrap(true);
    m_action->setControlSize(CapsuleButton::Size::Small);
    m_action->hide();
    m_dismiss->setAutoRaise(true);
    m_dismiss->setAccessibleName(QStringLiteral("Dismiss"));
    m_dismiss->setIconSize(QSize(Metrics::iconRegular, Metrics::iconRegular));
    m_dismiss->setMinimumSize(Metrics::minimumButtonHeight, Metrics::minimumButtonHeight);
    m_dismiss->hide();
    updateDismissIcon();

    auto *texts = new QVBoxLayout;
    texts->setSpacing(Metrics::bannerTextSpacing);
    texts->addWidget(m_title);
    texts->addWidget(m_message);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins({});
    row->setSpacing(Metrics::bannerSpacing);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->addWidget(m_action, 0, Qt::AlignVCenter);
    row->addWidget(m_dismiss, 0, Qt::AlignTop);

    connect(m_action, &QAbstractButton::clicked, this, &Banner::actionClicked);
    connect(m_dismiss, &QAbstractButton::clicked, this, &Banner::dismissed);
}

void Banner::setContent(const QString &iconName, ThemeColor iconColor, const QString &title, const QString &message)
{
    m_icon->setName(iconName);
    m_icon->setColor(iconColor);
    m_title->setText(title);
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
}

void Banner::setActionText(const QString &text)
{
    m_action->setText(text);
    m_action->setVisible(!text.isEmpty());
}

void Banner::setDismissible(bool dismissible)
{
    m_dismiss->setVisible(dismissible);
}

QString Banner::title() const
{
    return m_title->fullText();
}

QString Banner::message() const
{
    return m_message->fullText();
}

void Banner::changeEvent(QEvent *event)
{
    Card::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateDismissIcon();
    }
}

void Banner::updateDismissIcon()
{
    m_dismiss->setIcon(m_icons->icon(QStringLiteral("xmark"), Theme::color(palette(), ThemeColor::SecondaryText)));
}

} // namespace verandel
