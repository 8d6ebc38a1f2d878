#include "update/UpdateEngine.h"

#include "foundation/CancellationError.h"
#include "foundation/LogText.h"
#include "foundation/OneShot.h"
#include "update/AppcastItemChooser.h"
#include "update/AppcastParser.h"
#include "update/Ed25519Signature.h"
#include "update/RelaunchHandoff.h"
#include "update/UpdateRelaunchMarker.h"
#include "update/UpdateUrlPolicy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScopeGuard>
#include <QStandardPaths>

namespace verandel {

namespace {

// The shortest wait of the schedule, so a failing check is not retried in a tight loop.
constexpr double minimumScheduleWaitSeconds = 60;

UpdaterError notConfigured(const QString &what)
{
    return UpdaterError(UpdaterError::notConfigured, what);
}

} // namespace

UpdateEngineEnvironment UpdateEngineEnvironment::forThisProcess(UpdaterConfiguration configuration,
                                                                UpdateVersion runningVersion, ClockPtr clock,
                                                                const QString &storageDirectory,
                                                                TransferActivityPtr transferActivity,
                                                                UpdateRelaunchingPtr relauncher)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/com.verandel.Verandel");
    return UpdateEngineEnvironment{
        std::move(configuration),
        std::move(clock),
        std::make_shared<QSettings>(storageDirectory + QStringLiteral("/updater.ini"), QSettings::IniFormat),
        HostPlatform::current(),
        std::move(runningVersion),
        QCoreApplication::applicationFilePath(),
        UserLocalInstallation::forHome(QDir::homePath()),
        cache,
        storageDirectory + QLatin1Char('/') + UpdateRelaunchMarker::fileName,
        std::move(transferActivity),
        std::move(relauncher),
        QCoreApplication::applicationPid(),
    };
}

UpdateEngine::UpdateEngine(UpdateEngineEnvironment environment, std::shared_ptr<UpdaterUserDriverProtocol> userDriver,
                           std::shared_ptr<UpdaterDelegateProtocol> delegate, LoggerFactory &loggerFactory)
    : m_environment(std::move(environment))
    , m_userDriver(std::move(userDriver))
    , m_delegate(std::move(delegate))
    , m_logger(loggerFactory.createLogger(QStringLiteral("UpdateEngine")))
    , m_http(std::make_shared<UpdateHttpClient>())
{ }

UpdateEngine::~UpdateEngine()
{
    m_scheduleStop.request_stop();
    // Waiting checks and installs resume from the event loop, find the engine gone and end.
    m_http->abortAll();
    if (m_readyReply) {
        m_readyReply->answer(UserUpdateChoice::dismiss);
    }
    if (m_transfersChanged) {
        m_transfersChanged->answer(0);
    }
}

bool UpdateEngine::installsInPlace() const
{
    return m_environment.installation.contains(m_environment.executablePath);
}

void UpdateEngine::start()
{
    if (m_started) {
        return;
    }
    const std::optional<QString> feed = feedURL();
    if (!feed) {
        throw UpdaterError(UpdaterError::noFeed, QStringLiteral("No update feed is configured for this installation."));
    }
    if (!UpdateUrlPolicy::isFetchableUrl(QUrl(*feed))) {
        throw notConfigured(QStringLiteral("The update feed address must use https."));
    }
    if (!Ed25519Signature::isPublicKey(m_environment.configuration.publicKey)) {
        throw notConfigured(QStringLiteral("No update signing key is configured for this installation."));
    }
    m_started = true;
    setPhase(Phase::idle);
    reportRelaunch();
    runSchedule(QPointer<UpdateEngine>(this), m_environment.clock, m_scheduleStop.get_token());
}

std::optional<QString> UpdateEngine::feedURL() const
{
    const std::optional<QString> delegated = m_delegate ? m_delegate->feedURLString() : std::nullopt;
    return delegated ? delegated : m_environment.configuration.feedURL;
}

void UpdateEngine::reportRelaunch()
{
    const std::optional<UpdateRelaunchMarker::Content> marker
        = UpdateRelaunchMarker(m_environment.relaunchMarkerPath).take();
    if (!marker) {
        return;
    }
    m_logger->info(
        QStringLiteral("Sparkle: Version %1 installed and relaunched").arg(marker->installedVersion.toString()));
    // This start is the new version's first successful one: the folder it replaced can go.
    if (marker->previousVersion && marker->installedVersion == m_environment.runningVersion) {
        m_environment.installation.remove(*marker->previousVersion);
    }
    m_userDriver->showUpdateInstalledAndRelaunched(true, [] {});
}

void UpdateEngine::checkForUpdates()
{
    beginCheck(UpdateCheckKind::userInitiated);
}

void UpdateEngine::checkForUpdatesInBackground()
{
    beginCheck(UpdateCheckKind::background);
}

void UpdateEngine::beginCheck(UpdateCheckKind kind)
{
    if (!m_started) {
        m_logger->warning(QStringLiteral("Sparkle: Ignoring update check before the updater started"));
        return;
    }
    const bool held = m_phase == Phase::held;
    if (m_phase != Phase::idle && !(held && kind == UpdateCheckKind::userInitiated)) {
        // A background check never interrupts a session; a user check waits for canCheckForUpdates.
        m_logger->info(QStringLiteral("Sparkle: Update check skipped while an update session runs"));
        return;
    }
    if (held) {
        // The found update is presented again; the reply the driver held becomes void.
        if (const std::optional<UpdaterError> refusal
            = m_delegate ? m_delegate->mayPerformUpdateCheck(kind) : std::nullopt) {
            m_userDriver->showUpdaterError(*refusal, [] {});
            return;
        }
        m_userDriver->showUserInitiatedUpdateCheck([] {});
        present(*m_heldItem);
        return;
    }
    runCheck(kind);
}

void UpdateEngine::setPhase(Phase phase)
{
    m_phase = phase;
    const bool canCheck = m_started && (phase == Phase::idle || phase == Phase::held);
    if (canCheck != m_canCheck) {
        m_canCheck = canCheck;
        Q_EMIT canCheckForUpdatesChanged(canCheck);
    }
}

QCoro::Task<> UpdateEngine::runCheck(UpdateCheckKind kind)
{
    const QPointer<UpdateEngine> self(this);
    const std::shared_ptr<UpdateHttpClient> http = m_http;
    setPhase(Phase::checking);
    if (const std::optional<UpdaterError> refusal
        = m_delegate ? m_delegate->mayPerformUpdateCheck(kind) : std::nullopt) {
        fail(*refusal);
        co_return;
    }
    if (kind == UpdateCheckKind::userInitiated) {
        m_userDriver->showUserInitiatedUpdateCheck([] {});
    }
    // Recorded when the check begins, so a feed that is down is tried again a day later, not at once.
    m_environment.settings->setValue(lastCheckTimeKey, m_environment.clock->now().toString(Qt::ISODate));
    const QUrl feed(feedURL().value_or(QString()));
    const UpdateHttpClient::Limits limits{maxFeedBytes, m_environment.feedTimeout, m_environment.feedTimeout,
                                          UpdaterError::feedFailed};
    QByteArray document;
    std::optional<UpdaterError> failure;
    try {
        QByteArray fetched = co_await http->fetch(feed, limits);
        document = std::move(fetched);
    } catch (const UpdaterError &error) {
        failure = error;
    }
    if (!self) {
        co_return;
    }
    if (failure) {
        m_logger->warning(QStringLiteral("Sparkle: Update feed could not be read: %1")
                              .arg(escapeControlCharacters(failure->localizedDescription())));
        fail(UpdaterError(UpdaterError::feedFailed,
                          QStringLiteral("Could not read the update feed: %1").arg(failure->localizedDescription())));
        co_return;
    }
    std::optional<AppcastItem> chosen;
    try {
        const QList<AppcastItem> items = AppcastParser::parse(document, *m_logger);
        const std::optional<UpdateVersion> skipped
            = kind == UpdateCheckKind::background ? skippedVersion() : std::nullopt;
        chosen = AppcastItemChooser::choose(items, m_environment.runningVersion, m_environment.host, skipped);
    } catch (const UpdaterError &error) {
        fail(error);
        co_return;
    }
    if (!chosen) {
        m_userDriver->showUpdateNotFound(UpdaterError(UpdaterError::noUpdate, QStringLiteral("You’re up to date.")),
                                         [] {});
        endSession();
        co_return;
    }
    if (!chosen->isInformationOnly && !installsInPlace()) {
        // A package manager owns this install: tell the user, download nothing.
        chosen->isInformationOnly = true;
    }
    m_heldItem = chosen;
    present(*chosen);
}

void UpdateEngine::present(AppcastItem item)
{
    setPhase(Phase::held);
    const quint64 presentation = ++m_presentation;
    const QPointer<UpdateEngine> self(this);
    m_userDriver->showUpdateFound(item, [self, presentation](UserUpdateChoice choice) {
        if (self) {
            self->handleFoundReply(presentation, choice);
        }
    });
}

void UpdateEngine::handleFoundReply(quint64 presentation, UserUpdateChoice choice)
{
    if (presentation != m_presentation || m_phase != Phase::held || !m_heldItem) {
        m_logger->debug(QStringLiteral("Sparkle: Ignoring a reply to an update that is no longer offered"));
        return;
    }
    const AppcastItem item = *m_heldItem;
    if (choice == UserUpdateChoice::skip) {
        m_environment.settings->setValue(skippedVersionKey, item.version.toString());
    }
    if (choice != UserUpdateChoice::install || item.isInformationOnly) {
        endSession();
        return;
    }
    runInstall(item);
}

QCoro::Task<> UpdateEngine::runInstall(AppcastItem item)
{
    const QPointer<UpdateEngine> self(this);
    const std::shared_ptr<UpdateHttpClient> http = m_http;
    const std::shared_ptr<UpdaterUserDriverProtocol> driver = m_userDriver;
    setPhase(Phase::installing);
    const AppcastEnclosure enclosure = item.enclosure.value_or(AppcastEnclosure{});
    if (enclosure.length <= 0) {
        fail(UpdaterError(UpdaterError::downloadFailed,
                          QStringLiteral("The update feed does not say how large the update is.")));
        co_return;
    }
    if (enclosure.length > maxDownloadBytes) {
        fail(UpdaterError(UpdaterError::downloadFailed,
                          QStringLiteral("The update is larger than Verandel accepts (%1 MiB).")
                              .arg(maxDownloadBytes / (1024 * 1024))));
        co_return;
    }
    if (enclosure.edSignature.isEmpty()) {
        fail(UpdaterError(UpdaterError::signatureInvalid, QStringLiteral("The update is not signed.")));
        co_return;
    }
    driver->showDownloadInitiated([] {});
    driver->showDownloadDidReceiveExpectedContentLength(static_cast<quint64>(enclosure.length));

    QDir().mkpath(m_environment.cacheDirectory);
    const QString downloadPath
        = m_environment.cacheDirectory + QStringLiteral("/verandel-%1.tar").arg(item.version.toString());
    auto file = std::make_shared<QFile>(downloadPath);
    const auto removeDownload = qScopeGuard([file] { file->remove(); });
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(UpdaterError(UpdaterError::downloadFailed, file->errorString()));
        co_return;
    }
    auto writeFailed = std::make_shared<bool>(false);
    UpdateHttpClient::Sink sink = [file, writeFailed, driver](const QByteArray &chunk) {
        if (file->write(chunk) != chunk.size()) {
            *writeFailed = true;
        }
        driver->showDownloadDidReceiveDataOfLength(static_cast<quint64>(chunk.size()));
    };
    const UpdateHttpClient::Limits limits{enclosure.length, m_environment.downloadStallTimeout,
                                          m_environment.downloadTotalTimeout, UpdaterError::downloadFailed};
    qint64 received = 0;
    std::optional<UpdaterError> failure;
    try {
        const qint64 total = co_await http->stream(enclosure.url, limits, std::move(sink));
        received = total;
    } catch (const UpdaterError &error) {
        failure = error;
    }
    file->close();
    if (!self) {
        co_return;
    }
    if (!failure && (*writeFailed || received != enclosure.length)) {
        failure = UpdaterError(UpdaterError::downloadFailed, QStringLiteral("The update download is incomplete."));
    }
    if (failure) {
        fail(*failure);
        co_return;
    }
    // Read back once, verified over the whole file, and unpacked from these very bytes.
    QByteArray archive;
    if (file->open(QIODevice::ReadOnly)) {
        archive = file->read(enclosure.length + 1);
        file->close();
    }
    if (archive.size() != enclosure.length
        || !Ed25519Signature::verify(archive, enclosure.edSignature, m_environment.configuration.publicKey)) {
        m_logger->warning(
            QStringLiteral("Sparkle: Refusing version %1: its signature does not match").arg(item.version.toString()));
        fail(UpdaterError(UpdaterError::signatureInvalid, QStringLiteral("The update’s signature is not valid.")));
        co_return;
    }
    driver->showDownloadDidStartExtractingUpdate();
    try {
        m_environment.installation.stage(archive, item.version);
    } catch (const UpdaterError &error) {
        fail(error);
        co_return;
    }
    archive.clear();
    driver->showExtractionReceivedProgress(1.0);

    OneShot<UserUpdateChoice> ready;
    m_readyReply = ready;
    driver->showReadyToInstallAndRelaunch([ready](UserUpdateChoice choice) mutable { ready.answer(choice); });
    const UserUpdateChoice choice = co_await ready;
    if (!self) {
        co_return;
    }
    m_readyReply.reset();
    if (choice != UserUpdateChoice::install) {
        m_environment.installation.remove(item.version);
        endSession();
        co_return;
    }
    const TransferActivityPtr activity = m_environment.transferActivity;
    while (activity && activity->runningFlowCount() > 0) {
        m_logger->info(QStringLiteral("Sparkle: Holding the install while %1 device transfer(s) run")
                           .arg(activity->runningFlowCount()));
        // A one-shot answer of our own: several changes may arrive before this coroutine resumes.
        OneShot<int> changed;
        m_transfersChanged = changed;
        const QMetaObject::Connection connection
            = QObject::connect(activity.get(), &TransferActivityProtocol::runningFlowCountChanged, activity.get(),
                               [changed](int count) mutable { changed.answer(count); });
        const auto disconnect = qScopeGuard([connection] { QObject::disconnect(connection); });
        co_await changed;
        if (!self) {
            co_return;
        }
        m_transfersChanged.reset();
    }
    const std::optional<UpdateVersion> previous = m_environment.installation.currentVersion();
    const UpdateRelaunchMarker marker(m_environment.relaunchMarkerPath);
    try {
        marker.write({item.version, previous});
        m_environment.installation.activate(item.version);
    } catch (const UpdaterError &error) {
        marker.take();
        fail(error);
        co_return;
    }
    m_logger->info(QStringLiteral("Sparkle: Version %1 is now current").arg(item.version.toString()));
    setPhase(Phase::installed);
    const UpdateRelaunchingPtr relauncher = m_environment.relauncher;
    const QString program = m_environment.installation.relaunchProgram();
    const QStringList arguments = RelaunchHandoff::arguments(m_environment.processId);
    auto relaunched = std::make_shared<bool>(false);
    driver->showInstallingUpdate(false, [relauncher, program, arguments, relaunched] {
        if (!*relaunched && relauncher) {
            *relaunched = true;
            relauncher->relaunch(program, arguments);
        }
    });
}

void UpdateEngine::fail(const UpdaterError &error)
{
    m_userDriver->showUpdaterError(error, [] {});
    endSession();
}

void UpdateEngine::endSession()
{
    m_heldItem.reset();
    ++m_presentation;
    setPhase(Phase::idle);
    m_userDriver->dismissUpdateInstallation();
}

std::optional<UpdateVersion> UpdateEngine::skippedVersion() const
{
    return UpdateVersion::parse(m_environment.settings->value(skippedVersionKey).toString());
}

double UpdateEngine::secondsUntilScheduledCheck() const
{
    const QDateTime last
        = QDateTime::fromString(m_environment.settings->value(lastCheckTimeKey).toString(), Qt::ISODate);
    if (!last.isValid()) {
        return minimumScheduleWaitSeconds;
    }
    const double due = checkIntervalSeconds - static_cast<double>(last.secsTo(m_environment.clock->now()));
    return std::clamp(due, minimumScheduleWaitSeconds, checkIntervalSeconds);
}

QCoro::Task<> UpdateEngine::runSchedule(QPointer<UpdateEngine> self, ClockPtr clock, std::stop_token stop)
{
    try {
        while (self) {
            const double wait = self->secondsUntilScheduledCheck();
            co_await clock->sleep(wait, stop);
            if (!self) {
                co_return;
            }
            if (self->m_automaticallyChecks && self->secondsUntilScheduledCheck() <= minimumScheduleWaitSeconds) {
                self->checkForUpdatesInBackground();
            }
        }
    } catch (const CancellationError &) { }
}

} // namespace verandel
