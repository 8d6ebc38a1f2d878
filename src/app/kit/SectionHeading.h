#pragma once

#include <QWidget>

namespace verandel {

class TextLabel;

// The heading above a list card: its title on the left and how many it lists on the right.
class SectionHeading : public QWidget
{
    Q_OBJECT

public:
    explicit SectionHeading(const QString &title, QWidget *parent = nullptr);

    // An empty text shows no count.
    void setCountText(const QString &text);

    TextLabel *titleLabel() const { return m_title; }
    TextLabel *countLabel() const { return m_count; }

private:
    TextLabel *m_title;
    TextLabel *m_count;
};

} // namespace verandel
