#pragma once

#include "support/HttpTestServer.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/UpdateReleaseKit.h"
#include "support/fakes/FakeTransferActivity.h"
#include "support/fakes/FakeUpdaterDelegate.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingRelauncher.h"
#include "support/fakes/RecordingUpdaterUserDriver.h"
#include "update/UpdateEngine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace verandel::test {

// A home folder with version 1.0.0 installed the user-local way, a loopback feed server and an
// engine built on fakes, for tests of whole update sessions.
class UpdateEngineFixture : public ::testing::Test
{
public:
    static inline const QString arch = QStringLiteral("x86_64");

    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        installVersion(QStringLiteral("1.0.0"));
        ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("/.local/bin")));
        ASSERT_TRUE(
            QFile::link(installation.root() + QStringLiteral("/current/bin/verandel"), installation.launcherPath()));
        QFile osRelease(home.path() + QStringLiteral("/os-release"));
        ASSERT_TRUE(osRelease.open(QIODevice::WriteOnly));
        osRelease.write("NAME=\"Debian GNU/Linux\"\nID=debian\nVERSION_ID=\"12\"\n");
        delegate->feedURL = server.url(QStringLiteral("/appcast.xml")).toString();
    }

    // Unpacks a version by hand and makes it current, as the user's first install did.
    void installVersion(const QString &version)
    {
        const QString folder = installation.root() + QLatin1Char('/') + version;
        ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/bin")));
        QFile executable(folder + QStringLiteral("/bin/verandel"));
        ASSERT_TRUE(executable.open(QIODevice::WriteOnly));
        executable.write("#!/bin/sh\n");
        executable.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::remove(installation.root() + QStringLiteral("/current"));
        ASSERT_TRUE(QFile::link(version, installation.root() + QStringLiteral("/current")));
    }

    UpdateEngineEnvironment environment(const QString &runningVersion = QStringLiteral("1.0.0"))
    {
        return UpdateEngineEnvironment{
            UpdaterConfiguration{std::nullopt, key.publicKeyBase64()},
            clock,
            std::make_shared<QSettings>(home.path() + QStringLiteral("/updater.ini"), QSettings::IniFormat),
            HostPlatform::read(home.path() + QStringLiteral("/os-release"), arch),
            *UpdateVersion::parse(runningVersion),
            installation.root() + QLatin1Char('/') + runningVersion + QStringLiteral("/bin/verandel"),
            installation,
            home.path() + QStringLiteral("/cache"),
            home.path() + QStringLiteral("/update-relaunch.json"),
            activity,
            relauncher,
            4242,
        };
    }

    std::shared_ptr<UpdateEngine> startEngine(UpdateEngineEnvironment env)
    {
        auto engine = std::make_shared<UpdateEngine>(std::move(env), driver, delegate, logs);
        engine->start();
        return engine;
    }
    std::shared_ptr<UpdateEngine> startEngine() { return startEngine(environment()); }

    // Serves a signed release and a feed that lists it (plus any other items given).
    FeedItem publish(const QString &version, const QByteArray &tarball, QList<FeedItem> others = {})
    {
        const QByteArray path = "/verandel-" + version.toUtf8() + ".tar.gz";
        server.serve(path, tarball);
        FeedItem item;
        item.version = version;
        item.url = server.url(QString::fromUtf8(path)).toString();
        item.length = tarball.size();
        item.signature = key.sign(tarball);
        item.arch = arch;
        others.append(item);
        server.serve("/appcast.xml", makeAppcast(others));
        return item;
    }

    static QStringList list(std::initializer_list<const char *> texts)
    {
        QStringList result;
        for (const char *text : texts) {
            result.append(QString::fromUtf8(text));
        }
        return result;
    }

    bool waitFor(const QString &event)
    {
        return waitUntil([this, event] { return driver->has(event); }, 20000);
    }

    QString currentTarget() const
    {
        return QFileInfo(installation.root() + QStringLiteral("/current")).symLinkTarget();
    }
    bool versionFolderExists(const QString &version) const
    {
        return QFileInfo::exists(installation.root() + QLatin1Char('/') + version);
    }

    QTemporaryDir home;
    UserLocalInstallation installation = UserLocalInstallation::forHome(home.path());
    HttpTestServer server;
    TestSigningKey key = TestSigningKey::generate();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
    std::shared_ptr<RecordingUpdaterUserDriver> driver = std::make_shared<RecordingUpdaterUserDriver>();
    std::shared_ptr<FakeUpdaterDelegate> delegate = std::make_shared<FakeUpdaterDelegate>();
    std::shared_ptr<FakeTransferActivity> activity = std::make_shared<FakeTransferActivity>();
    std::shared_ptr<RecordingRelauncher> relauncher = std::make_shared<RecordingRelauncher>();
};

} // namespace verandel::test
