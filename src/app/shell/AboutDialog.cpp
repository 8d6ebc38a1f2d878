#include "shell/AboutDialog.h"

#include "kit/CapsuleButton.h"
#include "kit/TextLabel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace verandel {

namespace {

constexpr int logoSize = 64;
constexpr int dialogPadding = 24;

TextLabel *centred(TextStyle style, ThemeColor color, const QString &text)
{
    auto *label = new TextLabel(style, color);
    label->setAlignment(Qt::AlignHCenter);
    label->setText(text);
    return label;
}

} // namespace

AboutDialog::AboutDialog(IconProviderPtr icons, const AboutPanelOptions &options, QWidget *parent)
    : QDialog(parent)
    , m_name(centred(TextStyle::Title, ThemeColor::PrimaryText, options.applicationName))
    , m_version(
          centred(TextStyle::Body, ThemeColor::PrimaryText, QStringLiteral("Version ") + options.applicationVersion))
    , m_build(centred(TextStyle::Caption, ThemeColor::SecondaryText, options.version))
    , m_copyright(centred(TextStyle::Caption, ThemeColor::SecondaryText, options.copyright))
{
    setWindowTitle(VerandelAppIdentity::aboutMenuTitle());
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(dialogPadding, dialogPadding, dialogPadding, dialogPadding);
    column->setSpacing(6);
    auto *logo = new QLabel;
    logo->setPixmap(icons->pixmap(QStringLiteral("verandel-logo"), logoSize, palette().color(QPalette::Highlight),
                                  devicePixelRatioF()));
    logo->setAlignment(Qt::AlignHCenter);
    column->addWidget(logo);
    column->addWidget(m_name);
    column->addWidget(m_version);
    column->addWidget(m_build);
    column->addSpacing(8);
    column->addWidget(m_copyright);
    auto *close = new CapsuleButton(QStringLiteral("OK"), CapsuleButton::Kind::Prominent);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    column->addSpacing(8);
    column->addWidget(close, 0, Qt::AlignHCenter);
}

} // namespace verandel
