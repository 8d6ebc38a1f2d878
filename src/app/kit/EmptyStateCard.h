#pragma once

#include "kit/Card.h"
#include "kit/IconProvider.h"

namespace verandel {

class IconView;
class TextLabel;

// What a list card shows while it lists nothing: a symbol in the accent colour, a title and a wrapping
// hint. Its accessible name is the title.
class EmptyStateCard : public Card
{
    Q_OBJECT

public:
    enum class Symbol {
        Circled, // in a tinted circle, as a row's icon is
        Plain, // beside the text, as in a note
    };

    EmptyStateCard(IconProviderPtr icons, const QString &iconName, Symbol symbol, QWidget *parent = nullptr);

    void setTexts(const QString &title, const QString &hint);

    TextLabel *titleLabel() const { return m_title; }
    TextLabel *hintLabel() const { return m_hint; }

private:
    IconView *m_icon;
    TextLabel *m_title;
    TextLabel *m_hint;
};

} // namespace verandel
