#include "controlcenter/OnboardingChecklistCard.h"

#include "kit/CapsuleButton.h"
#include "kit/TextLabel.h"

#include <QVBoxLayout>

namespace verandel {

namespace {

TextLabel *wrapped(TextStyle style, ThemeColor color, const QString &text)
{
    auto *label = new TextLabel(style, color);
    label->setWordWrap(true);
    label->setText(text);
    return label;
}

} // namespace

OnboardingChecklistCard::OnboardingChecklistCard(const QString &summary, const QStringList &steps,
                                                 const QString &buttonTitle, std::function<void()> action,
                                                 QWidget *parent)
    : QWidget(parent)
    , m_button(new CapsuleButton(buttonTitle, CapsuleButton::Kind::Bordered))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(wrapped(TextStyle::Caption, ThemeColor::SecondaryText, summary));
    auto *list = new QVBoxLayout;
    list->setSpacing(5);
    for (const QString &step : steps) {
        auto *row = new QHBoxLayout;
        row->setSpacing(8);
        auto *bullet = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText);
        bullet->setText(QStringLiteral("•"));
        row->addWidget(bullet, 0, Qt::AlignTop);
        row->addWidget(wrapped(TextStyle::Caption, ThemeColor::PrimaryText, step), 1);
        list->addLayout(row);
    }
    column->addLayout(list);
    m_button->setControlSize(CapsuleButton::Size::Small);
    connect(m_button, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    column->addWidget(m_button, 0, Qt::AlignLeft);
}

} // namespace verandel
