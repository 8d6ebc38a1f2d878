#pragma once

#include "foundation/OneShot.h"

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "update/AppcastItem.h"
#include "update/HostPlatform.h"
#include "update/SparkleUpdating.h"
#include "update/TransferActivityProtocol.h"
#include "update/UpdateHttpClient.h"
#include "update/UpdateRelaunching.h"
#include "update/UpdaterConfiguration.h"
#include "update/UpdaterDelegateProtocol.h"
#include "update/UpdaterUserDriverProtocol.h"
#include "update/UserLocalInstallation.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QSettings>

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>

namespace verandel {

// Everything the engine reads from the machine, gathered so tests can point each at a temporary
// folder, a loopback feed and a fake.
struct UpdateEngineEnvironment
{
    UpdaterConfiguration configuration;
    ClockPtr clock;
    std::shared_ptr<QSettings> settings; // the schedule's last check time and the skipped version
    HostPlatform host;
    UpdateVersion runningVersion;
    QString executablePath;
    UserLocalInstallation installation;
    QString cacheDirectory;
    QString relaunchMarkerPath;
    TransferActivityPtr transferActivity; // may be null: nothing holds an install
    UpdateRelaunchingPtr relauncher;
    qint64 processId = 0;
    // Below the update-check watchdog's 30 seconds, so a hanging feed ends as a failed check.
    std::chrono::milliseconds feedTimeout{20000};
    std::chrono::milliseconds downloadStallTimeout{60000};
    std::chrono::milliseconds downloadTotalTimeout{30 * 60 * 1000};

    // This process, built with this configuration as this version: /etc/os-release, the user-local
    // layout under the home folder, the XDG cache folder, the marker beside the program's other files,
    // this process's id.
    static UpdateEngineEnvironment forThisProcess(UpdaterConfiguration configuration, UpdateVersion runningVersion,
                                                  ClockPtr clock, const QString &storageDirectory,
                                                  TransferActivityPtr transferActivity,
                                                  UpdateRelaunchingPtr relauncher);
};

// The Linux updater: reads the signed appcast, offers the newest fitting release through the user
// driver, downloads it (capped, signature checked over the whole file before anything reads it),
// unpacks it beside the running version, swaps the "current" link and relaunches; installs that a
// package manager owns are only told about new releases. Checks run once a day while automatic
// checks are on. Lives on the main thread.
class UpdateEngine final : public SparkleUpdating
{
    Q_OBJECT

public:
    static constexpr qint64 maxFeedBytes = 1024 * 1024;
    static constexpr qint64 maxDownloadBytes = qint64(256) * 1024 * 1024;
    static constexpr double checkIntervalSeconds = 24 * 60 * 60;
    static inline const QString lastCheckTimeKey = QStringLiteral("Updates/lastCheckTime");
    static inline const QString skippedVersionKey = QStringLiteral("Updates/skippedVersion");

    UpdateEngine(UpdateEngineEnvironment environment, std::shared_ptr<UpdaterUserDriverProtocol> userDriver,
                 std::shared_ptr<UpdaterDelegateProtocol> delegate, LoggerFactory &loggerFactory);
    ~UpdateEngine() override;

    bool automaticallyChecksForUpdates() const override { return m_automaticallyChecks; }
    void setAutomaticallyChecksForUpdates(bool enabled) override { m_automaticallyChecks = enabled; }
    bool automaticallyDownloadsUpdates() const override { return m_automaticallyDownloads; }
    void setAutomaticallyDownloadsUpdates(bool enabled) override { m_automaticallyDownloads = enabled; }
    bool canCheckForUpdates() const override { return m_canCheck; }

    void start() override;
    void checkForUpdates() override;
    void checkForUpdatesInBackground() override;

    // Whether releases are installed in place (the user-local layout) rather than only announced.
    bool installsInPlace() const;

private:
    enum class Phase { idle, checking, held, installing, installed };

    // The delegate's feed, else the one compiled in.
    std::optional<QString> feedURL() const;
    void setPhase(Phase phase);
    void beginCheck(UpdateCheckKind kind);
    QCoro::Task<> runCheck(UpdateCheckKind kind);
    QCoro::Task<> runInstall(AppcastItem item);
    static QCoro::Task<> runSchedule(QPointer<UpdateEngine> self, ClockPtr clock, std::stop_token stop);
    double secondsUntilScheduledCheck() const;
    void present(AppcastItem item);
    void handleFoundReply(quint64 presentation, UserUpdateChoice choice);
    void fail(const UpdaterError &error);
    void endSession();
    void reportRelaunch();
    std::optional<UpdateVersion> skippedVersion() const;

    UpdateEngineEnvironment m_environment;
    std::shared_ptr<UpdaterUserDriverProtocol> m_userDriver;
    std::shared_ptr<UpdaterDelegateProtocol> m_delegate;
    LoggerPtr m_logger;
    std::shared_ptr<UpdateHttpClient> m_http;
    bool m_automaticallyChecks = true;
    bool m_automaticallyDownloads = true;
    bool m_started = false;
    bool m_canCheck = false;
    Phase m_phase = Phase::idle;
    std::optional<AppcastItem> m_heldItem;
    // What an install waits for, answered when the engine goes away so the wait can end.
    std::optional<OneShot<UserUpdateChoice>> m_readyReply;
    std::optional<OneShot<int>> m_transfersChanged;
    quint64 m_presentation = 0;
    std::stop_source m_scheduleStop;
};

} // namespace verandel
