#include "common/UrlOpener.h"

#include "support/QtPrinters.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

TEST(UrlOpenerTest, OpensOnlyAbsoluteHttpAndHttpsAddressesFromOutside)
{
    struct Row
    {
        QString address;
        bool opens;
    };
    const Row rows[] = {
        {QStringLiteral("https://verandel.com/releases/1.2.0"), true},
        {QStringLiteral("http://verandel.com/notes"), true},
        {QStringLiteral("HTTPS://verandel.com/notes"), true},
        {QStringLiteral("file:///etc/passwd"), false},
        {QStringLiteral("file:///usr/share/applications/evil.desktop"), false},
        {QStringLiteral("javascript:alert(1)"), false},
        {QStringLiteral("ftp://verandel.com/update.tar"), false},
        {QStringLiteral("vscode://open?file=/etc/shadow"), false},
        {QStringLiteral("/releases/1.2.0"), false},
        {QStringLiteral("https:releases"), false},
        {QString(), false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.address.toStdString());
        RecordingLoggerFactory logs;
        QList<QUrl> launched;
        const UrlOpener opener(logs, [&](const QUrl &url) {
            launched.append(url);
            return true;
        });

        EXPECT_EQ(opener.openExternal(QUrl(row.address)), row.opens);
        EXPECT_EQ(launched.size(), row.opens ? 1 : 0);
        EXPECT_EQ(logs.containsSubstring(LogLevel::Warning, QStringLiteral("Refusing to open")), !row.opens);
    }
}

TEST(UrlOpenerTest, OpensTheProgramsOwnPageByItsPath)
{
    RecordingLoggerFactory logs;
    QList<QUrl> launched;
    const UrlOpener opener(logs, [&](const QUrl &url) {
        launched.append(url);
        return false;
    });
    EXPECT_FALSE(opener.openLocalFile(QStringLiteral("/usr/share/verandel/privacy.html"))) << "the desktop's answer";
    EXPECT_EQ(launched, QList<QUrl>{QUrl(QStringLiteral("file:///usr/share/verandel/privacy.html"))});
}
