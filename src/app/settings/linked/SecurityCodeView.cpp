#include "settings/linked/SecurityCodeView.h"

#include "kit/KeyWindow.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"
#include "kit/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int codeViewPadding = 10;
constexpr int headingSpacing = 8;
constexpr double boxBorderOpacity = 0.1;

// One symbol of the code on its own rounded box.
class CodeBox : public QWidget
{
public:
    explicit CodeBox(QWidget *parent)
        : QWidget(parent)
    {
        setFixedSize(Metrics::codeBoxWidth, Metrics::codeBoxHeight);
    }

    void setSymbol(QChar symbol)
    {
        m_symbol = symbol;
        setAccessibleName(QString(symbol));
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Theme::color(palette(), ThemeTint{ThemeColor::PrimaryText, boxBorderOpacity}), 1));
        painter.setBrush(Theme::color(palette(), ThemeColor::ControlBackground));
        painter.drawRoundedRect(box, Metrics::cardRadius, Metrics::cardRadius);
        painter.setPen(Theme::color(palette(), ThemeColor::PrimaryText));
        painter.setFont(Theme::font(TextStyle::CodeLarge));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QString(m_symbol));
    }

private:
    QChar m_symbol;
};

} // namespace

SecurityCodeView::SecurityCodeView(IconProviderPtr icons, QWidget *parent)
    : Card(parent)
    , m_icons(std::move(icons))
    , m_heading(new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, this))
    , m_refresh(new QToolButton(this))
    , m_boxRow(new QWidget(this))
{
    setLook({ThemeTint{ThemeColor::WindowBackground}, ThemeTint{ThemeColor::Separator}});
    setContentsMargins(codeViewPadding, codeViewPadding, codeViewPadding, codeViewPadding);
    m_heading->setText(QStringLiteral("Security code"));

    m_refresh->setText(QStringLiteral("Refresh"));
    m_refresh->setAccessibleName(QStringLiteral("Refresh"));
    m_refresh->setAutoRaise(true);
    m_refresh->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_refresh->setFont(Theme::font(TextStyle::Caption));
    m_refresh->setIconSize({Metrics::iconRegular, Metrics::iconRegular});
    m_refresh->setMinimumHeight(Metrics::minimumButtonHeight);
    m_refresh->setCursor(Qt::PointingHandCursor);
    connect(m_refresh, &QToolButton::clicked, this, [this] {
        if (const std::function<void()> onRefresh = m_onRefresh) {
            onRefresh();
        }
    });

    auto *heading = new QHBoxLayout;
    heading->setSpacing(headingSpacing);
    heading->addWidget(m_heading, 0, Qt::AlignVCenter);
    heading->addStretch(1);
    heading->addWidget(m_refresh, 0, Qt::AlignVCenter);

    auto *boxes = new QHBoxLayout(m_boxRow);
    boxes->setContentsMargins({});
    boxes->setSpacing(Metrics::codeBoxSpacing);
    boxes->addStretch(1);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins({});
    column->setSpacing(headingSpacing);
    column->addLayout(heading);
    column->addWidget(m_boxRow);
    restyle();
}

void SecurityCodeView::setCode(const QString &code)
{
    m_code = code;
    auto *row = static_cast<QHBoxLayout *>(m_boxRow->layout());
    // Boxes are reused; only the count follows the code's length.
    while (m_boxes.size() < code.size()) {
        auto *box = new CodeBox(m_boxRow);
        row->insertWidget(static_cast<int>(m_boxes.size()), box);
        m_boxes.append(box);
    }
    while (m_boxes.size() > code.size()) {
        delete m_boxes.takeLast();
    }
    for (qsizetype i = 0; i < code.size(); ++i) {
        static_cast<CodeBox *>(m_boxes.at(i))->setSymbol(code.at(i));
    }
    QStringList spelled;
    for (const QChar symbol : code) {
        spelled.append(QString(symbol));
    }
    m_boxRow->setAccessibleName(QStringLiteral("Security code ") + spelled.join(QLatin1Char(' ')));
}

void SecurityCodeView::changeEvent(QEvent *event)
{
    Card::changeEvent(event);
    if (event->type() == QEvent::ActivationChange || event->type() == QEvent::PaletteChange) {
        restyle();
    }
}

void SecurityCodeView::restyle()
{
    // The box is filled with the window's colour, on which the raw accent can be too light to read.
    const QColor ink
        = Theme::textColor(palette(), KeyWindow::isKey(this) ? ThemeColor::Accent : ThemeColor::SecondaryText);
    QPalette own = m_refresh->palette();
    own.setColor(QPalette::ButtonText, ink);
    own.setColor(QPalette::WindowText, ink);
    m_refresh->setPalette(own);
    m_refresh->setIcon(m_icons->icon(QStringLiteral("arrow.clockwise"), ink));
}

} // namespace verandel
