#pragma once

#include "support/HelperProcess.h"
#include "support/NetworkNamespace.h"
#include "support/PrivateDBus.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <memory>

namespace verandel::test {

// One "host" for DNS-SD tests: a private bus and a real avahi-daemon inside a network namespace of
// the test's own, so nothing it sends leaves the machine. The daemon sees only `lo` (start()) or
// one end of a veth pair to a second host (startLinked()). Code under test talks to the daemon
// through connection(). Everything is torn down when the host is destroyed.
class AvahiTestHost
{
public:
    explicit AvahiTestHost(QString hostName = QStringLiteral("test-host"));
    ~AvahiTestHost();
    AvahiTestHost(const AvahiTestHost &) = delete;
    AvahiTestHost &operator=(const AvahiTestHost &) = delete;

    // Empty when hosts can be started here; else why not (no root, no `ip netns`, no avahi-daemon).
    static QString unavailableReason();

    bool start();
    // Two hosts joined by a veth pair (169.254.77.1 and .2), each daemon bound to its end.
    static bool startLinked(AvahiTestHost &first, AvahiTestHost &second);

    // Starts the daemon again after stopDaemon() or killDaemon() and waits until it runs.
    bool startDaemon();
    void stopDaemon();
    void killDaemon();
    bool isDaemonRunning() const;

    QDBusConnection connection() const { return m_bus.connection(); }
    QString hostName() const { return m_hostName; }
    // The interface the daemon publishes on and its IPv4 address ("lo" and 127.0.0.1 when alone).
    QString interfaceName() const { return m_interface; }
    QString address() const { return m_address; }
    // Why the last start failed, with the daemon's own output.
    QString errorText() const { return m_error; }

private:
    bool prepare();
    bool writeConfig();
    bool waitUntilRunning();

    QString m_hostName;
    QString m_interface = QStringLiteral("lo");
    QString m_address = QStringLiteral("127.0.0.1");
    QString m_error;
    int m_starts = 0;
    PrivateDBus m_bus;
    NetworkNamespace m_namespace;
    std::unique_ptr<HelperProcess> m_daemon;
};

} // namespace verandel::test

// Skips a test that needs AvahiTestHost where hosts cannot be made (a developer without root);
// in CI (CI=true) that is a failure, so the tests can never be skipped silently there.
#define VERANDEL_REQUIRE_AVAHI_TEST_HOST()                                                                             \
    do {                                                                                                               \
        const QString verandelAvahiReason = ::verandel::test::AvahiTestHost::unavailableReason();                      \
        if (!verandelAvahiReason.isEmpty()) {                                                                          \
            if (qEnvironmentVariable("CI") == QStringLiteral("true")) {                                                \
                FAIL() << "avahi-daemon tests cannot run: " << verandelAvahiReason.toStdString();                      \
            }                                                                                                          \
            GTEST_SKIP() << "avahi-daemon tests skipped: " << verandelAvahiReason.toStdString();                       \
        }                                                                                                              \
    } while (false)

namespace verandel::test {

// A test that runs against its own avahi-daemon, with the lines its services log.
class AvahiHostTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VERANDEL_REQUIRE_AVAHI_TEST_HOST();
        ASSERT_TRUE(m_host.start()) << m_host.errorText().toStdString();
    }

    AvahiTestHost m_host;
    RecordingLoggerFactory m_logs;
};

} // namespace verandel::test
