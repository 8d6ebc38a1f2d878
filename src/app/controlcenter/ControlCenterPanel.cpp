#include "controlcenter/ControlCenterPanel.h"

#include "common/DeviceInfoRow.h"
#include "kit/IconView.h"
#include "kit/Metrics.h"
#include "kit/TextLabel.h"

#include <QFrame>

namespace verandel {

namespace {

constexpr int panelSpacing = 8;
constexpr int deviceRowSpacing = 6;

} // namespace

DeviceRowFactory deviceInfoRowFactory(IconProviderPtr icons)
{
    return [icons = std::move(icons)](const DeviceState &device, bool showConnectionStatus) -> QWidget * {
        auto *row = new DeviceInfoRow(icons, showConnectionStatus, DeviceInfoRow::Placement::InCard);
        row->setDeviceState(device);
        return row;
    };
}

ControlCenterPanel::ControlCenterPanel(IconProviderPtr icons, const QString &symbol, QWidget *parent)
    : Card(parent)
    , m_icons(std::move(icons))
    , m_title(new TextLabel(TextStyle::Headline))
    , m_titleColumn(new QVBoxLayout)
    , m_content(new QVBoxLayout(this))
{
    // The card pads itself.
    m_content->setContentsMargins({});
    m_content->setSpacing(panelSpacing);
    auto *header = new QHBoxLayout;
    header->setSpacing(Metrics::cardHeaderSpacing);
    header->addWidget(new IconView(m_icons, symbol, Metrics::iconRegular), 0, Qt::AlignTop);
    m_title->setElided(true);
    m_titleColumn->setSpacing(2);
    m_titleColumn->addWidget(m_title);
    header->addLayout(m_titleColumn, 1);
    m_content->addLayout(header);
    auto *divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    m_content->addWidget(divider);
}

QWidget *ControlCenterPanel::addDevicesHeader(QWidget *button)
{
    auto *header = new QWidget;
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 4);
    auto *label = new TextLabel(TextStyle::Subheadline, ThemeColor::SecondaryText);
    label->setFontWeight(QFont::Medium);
    label->setText(QStringLiteral("Devices"));
    row->addWidget(label);
    row->addStretch(1);
    row->addSpacing(panelSpacing);
    row->addWidget(button);
    m_content->addWidget(header);
    return header;
}

DeviceRowList::DeviceRowList(DeviceRowFactory factory, bool showConnectionStatus, QWidget *parent)
    : QWidget(parent)
    , m_factory(std::move(factory))
    , m_showConnectionStatus(showConnectionStatus)
    , m_rows(new QVBoxLayout(this))
{
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(deviceRowSpacing);
}

void DeviceRowList::setDevices(const QList<DeviceState> &devices)
{
    if (devices == m_devices) {
        return;
    }
    m_devices = devices;
    while (QLayoutItem *item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const DeviceState &device : devices) {
        m_rows->addWidget(m_factory(device, m_showConnectionStatus));
    }
}

} // namespace verandel
