#include "settings/linked/ConnectedMacsView.h"

#include "common/BusyAnimation.h"
#include "kit/Banner.h"
#include "kit/BusyBar.h"
#include "kit/CapsuleBadge.h"
#include "kit/Card.h"
#include "kit/EmptyStateCard.h"
#include "kit/IconView.h"
#include "kit/KeyedRowList.h"
#include "kit/Metrics.h"
#include "kit/SectionHeading.h"
#include "kit/TextLabel.h"
#include "models/ConnectedMacsViewModel.h"
#include "settings/linked/ConnectedMacRow.h"
#include "settings/linked/ConnectedMacsScreenSummary.h"
#include "settings/linked/DiscoveryModeView.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace verandel {

namespace {

constexpr int loadingSpacing = 8;

} // namespace

ConnectedMacsView::ConnectedMacsView(ConnectedMacsViewModel *model, IconProviderPtr icons, ClockPtr clock,
                                     bool performsInitialRefresh, QWidget *parent)
    : SettingsTabPage(QStringLiteral("Linked Computers"), parent)
    , m_model(model)
    , m_icons(std::move(icons))
    , m_clock(std::move(clock))
    , m_performsInitialRefresh(performsInitialRefresh)
    , m_error(new Banner(m_icons, column()))
    , m_discovery(new DiscoveryModeView(model, m_icons, column()))
{
    m_error->setDismissible(true);
    m_error->hide();
    connect(m_error, &Banner::dismissed, this, [this] {
        if (m_model) {
            m_model->clearError();
        }
    });
    m_discovery->setAccessibleName(QStringLiteral("Discovery Mode"));
    m_discovery->setAccessibleDescription(
        QStringLiteral("Toggle to start or stop discovering other computers on the network"));

    makeHeader();
    QVBoxLayout *layout = columnLayout();
    layout->addWidget(m_error);
    layout->addWidget(m_discovery);
    layout->addWidget(makeListSection());
    layout->addStretch(1);

    auto *refreshShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    // Only while the tab is shown: a shortcut of a hidden widget never fires.
    refreshShortcut->setContext(Qt::WindowShortcut);
    connect(refreshShortcut, &QShortcut::activated, this, [this] { refreshConnections(); });

    if (model) {
        for (const auto signal :
             {&ConnectedMacsViewModel::connectedMacsChanged, &ConnectedMacsViewModel::connectionStatusesChanged,
              &ConnectedMacsViewModel::identityConflictsChanged, &ConnectedMacsViewModel::isRefreshingChanged,
              &ConnectedMacsViewModel::errorMessageChanged}) {
            connect(model, signal, this, &ConnectedMacsView::refresh);
        }
    }
    refresh();
}

void ConnectedMacsView::makeHeader()
{
    m_summary = new CapsuleBadge(m_icons);
    QVBoxLayout *header
        = addHeader(QStringLiteral("Linked Computers"),
                    QStringLiteral("Link another computer to transfer devices between them."), m_summary);
    m_refreshingLine = new QWidget(column());
    auto *refreshIcon
        = new IconView(m_icons, QStringLiteral("arrow.clockwise"), Metrics::iconRegular, m_refreshingLine);
    refreshIcon->setColor(ThemeColor::SecondaryText);
    auto *refreshText = new TextLabel(TextStyle::Caption, ThemeColor::SecondaryText, m_refreshingLine);
    refreshText->setText(QStringLiteral("Refreshing linked computers"));
    auto *refreshLayout = new QHBoxLayout(m_refreshingLine);
    refreshLayout->setContentsMargins({});
    refreshLayout->setSpacing(Metrics::badgeIconSpacing);
    refreshLayout->addWidget(refreshIcon);
    refreshLayout->addWidget(refreshText, 1);
    header->addWidget(m_refreshingLine);
}

QWidget *ConnectedMacsView::makeListSection()
{
    auto *section = new QWidget(column());
    m_heading = new SectionHeading(QStringLiteral("Linked Computers"), section);

    // Loading: only while the first listing of an empty list is out.
    m_loading = new Card(section);
    m_loading->setContentsMargins(Metrics::cardPadding, Metrics::loadingVerticalPadding, Metrics::cardPadding,
                                  Metrics::loadingVerticalPadding);
    m_loading->setAccessibleName(QStringLiteral("Loading linked computers"));
    auto *progress = new BusyBar(Metrics::loadingBusyBarWidth, m_loading);
    BusyAnimation::drive(m_clock, progress);
    auto *loadingText = new TextLabel(TextStyle::Body, ThemeColor::SecondaryText, m_loading);
    loadingText->setText(QStringLiteral("Loading linked computers…"));
    auto *loadingLayout = new QVBoxLayout(m_loading);
    loadingLayout->setContentsMargins({});
    loadingLayout->setSpacing(loadingSpacing);
    loadingLayout->addWidget(progress, 0, Qt::AlignHCenter);
    loadingLayout->addWidget(loadingText, 0, Qt::AlignHCenter);

    auto *empty
        = new EmptyStateCard(m_icons, QStringLiteral("laptopcomputer"), EmptyStateCard::Symbol::Circled, section);
    empty->setTexts(QStringLiteral("No linked computers yet"),
                    QStringLiteral("Link a computer in Discovery Mode to add it here."));
    m_empty = empty;

    m_list = new KeyedRowList([this](const QString &key) { return makeRow(QUuid::fromString(key)); }, section);
    m_list->setAccessibleName(QStringLiteral("Linked computers"));

    auto *column = new QVBoxLayout(section);
    column->setContentsMargins({});
    column->setSpacing(Metrics::sectionSpacing);
    column->addWidget(m_heading);
    column->addWidget(m_loading);
    column->addWidget(m_empty);
    column->addWidget(m_list);
    return section;
}

ConnectedMacsView::ListState ConnectedMacsView::listStateFor(bool modelRefreshing, qsizetype connectedCount)
{
    if (connectedCount == 0) {
        return modelRefreshing ? ListState::Loading : ListState::Empty;
    }
    return ListState::List;
}

QList<ConnectedMacRow *> ConnectedMacsView::rows() const
{
    return m_list->rowsAs<ConnectedMacRow>();
}

TextLabel *ConnectedMacsView::countLabel() const
{
    return m_heading->countLabel();
}

void ConnectedMacsView::refresh()
{
    if (!m_model) {
        return;
    }
    const qsizetype count = m_model->connectedMacs().size();
    const ConnectedMacsScreenSummary summary = ConnectedMacsScreenSummary::make(count);
    m_summary->setContent(summary.title, summary.iconName, BadgeLook::tinted(summary.tint));
    m_heading->setCountText(ConnectedMacsScreenSummary::linkedCountText(count).value_or(QString()));
    m_refreshingLine->setVisible(m_refreshing);

    const std::optional<QString> error = m_model->errorMessage();
    m_error->setContent(QStringLiteral("exclamationmark.triangle"), ThemeColor::Orange,
                        QStringLiteral("Something went wrong"), error.value_or(QString()));
    m_error->setVisible(error.has_value());

    const bool modelRefreshing = m_model->isRefreshing();
    m_discovery->setEnabled(!modelRefreshing);

    m_listState = listStateFor(modelRefreshing, count);
    m_loading->setVisible(m_listState == ListState::Loading);
    m_empty->setVisible(m_listState == ListState::Empty);
    m_list->setVisible(m_listState == ListState::List);
    refreshRows();
}

void ConnectedMacsView::refreshRows()
{
    const QList<ConnectedMac> macs = m_model->connectedMacs();
    const ConnectedMacsViewModel::StatusTable statuses = m_model->connectionStatuses();
    const QSet<QUuid> conflicts = m_model->identityConflicts();
    const bool enabled = !m_model->isRefreshing();
    m_list->setItems(macs, [](const ConnectedMac &mac) { return mac.id().toString(); });
    for (const ConnectedMac &mac : macs) {
        auto *row = static_cast<ConnectedMacRow *>(m_list->row(mac.id().toString()));
        const MacConnectionStatusPtr status = statuses.value(mac.id());
        row->setMac(mac, status ? status->connectionState() : ConnectionState::Disconnected,
                    conflicts.contains(mac.id()));
        row->setEnabled(enabled);
    }
}

ConnectedMacRow *ConnectedMacsView::makeRow(const QUuid &id)
{
    auto *row = new ConnectedMacRow(
        m_icons,
        [this, id] {
            if (!m_model) {
                return;
            }
            const QList<ConnectedMac> macs = m_model->connectedMacs();
            const auto mac = std::find_if(macs.cbegin(), macs.cend(),
                                          [&id](const ConnectedMac &candidate) { return candidate.id() == id; });
            if (mac != macs.cend()) {
                m_model->disconnectFromMac(*mac);
            }
        },
        m_list);
    // One row confirms a removal at a time: a second one asking ends the first one's question.
    connect(row, &ConnectedMacRow::confirmingStarted, this, [this, row] {
        for (ConnectedMacRow *other : rows()) {
            if (other != row) {
                other->cancelConfirmation();
            }
        }
    });
    return row;
}

QCoro::Task<> ConnectedMacsView::refreshConnections()
{
    const QPointer<ConnectedMacsView> self(this);
    const QPointer<ConnectedMacsViewModel> model(m_model);
    if (!model) {
        co_return;
    }
    m_refreshing = true;
    refresh();
    // The model's refresh never throws; a failure ends up in its error message.
    co_await model->refreshConnectedMacs();
    if (self) {
        m_refreshing = false;
        refresh();
    }
}

void ConnectedMacsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && m_performsInitialRefresh) {
        refreshConnections();
    }
}

void ConnectedMacsView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Leaving the tab or closing the window ends Discovery Mode; the window going to the task bar does not.
    if (!event->spontaneous() && m_model) {
        m_model->stopDiscovery();
    }
}

} // namespace verandel
