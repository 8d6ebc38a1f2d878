#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

namespace verandel {

class CapsuleButton;

// A short checklist: a summary, the steps as bullets, and one button that leads to where they are done.
class OnboardingChecklistCard : public QWidget
{
    Q_OBJECT

public:
    OnboardingChecklistCard(const QString &summary, const QStringList &steps, const QString &buttonTitle,
                            std::function<void()> action, QWidget *parent = nullptr);

    CapsuleButton *button() const { return m_button; }

private:
    CapsuleButton *m_button;
};

} // namespace verandel
