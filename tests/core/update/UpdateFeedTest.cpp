#include "support/QtPrinters.h"
#include "support/UpdateReleaseKit.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "update/AppcastItemChooser.h"
#include "update/AppcastParser.h"
#include "update/UpdateUrlPolicy.h"
#include "update/UpdaterError.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace verandel::test {
namespace {

TEST(UpdateVersionTest, ParsesOnlyOneToFourDecimalNumbers)
{
    for (const char *valid : {"1", "1.2", "1.2.3", "1.2.3.4", "01.0", "999999999"}) {
        EXPECT_TRUE(UpdateVersion::parse(QString::fromLatin1(valid))) << valid;
    }
    for (const char *invalid : {"", "1.", ".1", "1..2", "1.2.3.4.5", "1.2-beta", "v1", "../1", "1/2", " 1", "1e3", "+1",
                                "1234567890", "１"}) {
        EXPECT_FALSE(UpdateVersion::parse(QString::fromUtf8(invalid))) << invalid;
    }
}

TEST(UpdateVersionTest, ComparesNumberByNumber)
{
    const auto v = [](const char *text) { return *UpdateVersion::parse(QString::fromLatin1(text)); };
    EXPECT_LT(v("1.9"), v("1.10"));
    EXPECT_LT(v("1.2"), v("1.2.1"));
    EXPECT_EQ(v("1.2"), v("1.2.0.0"));
    EXPECT_GT(v("2"), v("1.99.99.99"));
    EXPECT_EQ(v("01.02").toString(), QStringLiteral("1.2"));
}

class AppcastTest : public ::testing::Test
{
protected:
    QList<AppcastItem> parse(const QByteArray &document) { return AppcastParser::parse(document, *logger); }

    RecordingLoggerFactory logs;
    LoggerPtr logger = logs.createLogger(QStringLiteral("UpdateEngine"));
};

TEST_F(AppcastTest, ReadsItemsAndKeepsTheirTextsPlain)
{
    FeedItem item;
    item.version = QStringLiteral("1.2.0");
    item.displayVersion = QString::fromUtf16(u"1.2 <b>\u0085[31m");
    item.url = QStringLiteral("https://example.com/v.tar.gz");
    item.length = 1234;
    item.signature = "c2ln";
    item.arch = QStringLiteral("aarch64");
    item.osId = QStringLiteral("debian");
    item.minimumSystemVersion = QStringLiteral("12");
    item.link = QStringLiteral("https://example.com/notes");
    FeedItem info;
    info.version = QStringLiteral("1.3");
    info.informationOnly = true;
    info.link = QStringLiteral("javascript:alert(1)");
    const QList<AppcastItem> items = parse(makeAppcast({item, info}));
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].version.toString(), QStringLiteral("1.2.0"));
    EXPECT_EQ(items[0].displayVersion, QStringLiteral("1.2 <b>[31m"));
    ASSERT_TRUE(items[0].enclosure);
    EXPECT_EQ(items[0].enclosure->url, QUrl(QStringLiteral("https://example.com/v.tar.gz")));
    EXPECT_EQ(items[0].enclosure->length, 1234);
    EXPECT_EQ(items[0].enclosure->edSignature, QByteArray("c2ln"));
    EXPECT_EQ(items[0].enclosure->arch, QStringLiteral("aarch64"));
    EXPECT_EQ(items[0].enclosure->osId, QStringLiteral("debian"));
    EXPECT_EQ(items[0].minimumSystemVersion, QStringLiteral("12"));
    EXPECT_EQ(items[0].infoURL, QUrl(QStringLiteral("https://example.com/notes")));
    EXPECT_TRUE(items[1].isInformationOnly);
    EXPECT_TRUE(items[1].infoURL.isEmpty()) << "a link that is no web address is dropped";
    EXPECT_FALSE(items[1].enclosure);
    EXPECT_EQ(
        logs.messages(LogLevel::Warning),
        QStringList({QStringLiteral("Sparkle: Ignoring the information link of version 1.3: it is not a web page")}));
}

TEST_F(AppcastTest, RefusesDocumentTypesEntitiesAndBrokenXml)
{
    const QByteArray feed = makeAppcast({});
    QByteArray withDoctype = feed;
    withDoctype.insert(withDoctype.indexOf("<rss"), "<!DOCTYPE rss SYSTEM \"file:///etc/passwd\">\n");
    QByteArray withEntity = feed;
    withEntity.replace("<title>Verandel</title>", "<title>&xxe;</title>");
    for (const QByteArray &document : {withDoctype, withEntity, feed.left(feed.size() / 2), QByteArray("not xml")}) {
        EXPECT_THROW(parse(document), UpdaterError) << document.constData();
    }
}

TEST_F(AppcastTest, LeavesOutItemsWithUnusableVersionsOrDownloads)
{
    FeedItem good;
    good.version = QStringLiteral("1.1");
    good.url = QStringLiteral("https://example.com/ok.tar.gz");
    FeedItem badVersion = good;
    badVersion.version = QStringLiteral("1.1/../../x");
    FeedItem badUrl = good;
    badUrl.version = QStringLiteral("1.2");
    badUrl.url = QStringLiteral("file:///etc/passwd");
    const QList<AppcastItem> items = parse(makeAppcast({good, badVersion, badUrl}));
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].version.toString(), QStringLiteral("1.1"));
    EXPECT_FALSE(items[1].enclosure) << "the item stays, its download does not";
    EXPECT_TRUE(logs.containsSubstring(LogLevel::Warning, QStringLiteral("unusable version")));
}

TEST(AppcastItemChooserTest, PicksTheNewestFittingItem)
{
    const HostPlatform host{QStringLiteral("x86_64"), QStringLiteral("debian"), QStringLiteral("12")};
    const auto item = [](const char *version, const char *arch, const char *osId = "", const char *minimum = "",
                         const char *os = "linux") {
        AppcastItem result(*UpdateVersion::parse(QString::fromLatin1(version)));
        result.enclosure = AppcastEnclosure{QUrl(QStringLiteral("https://example.com/x")),
                                            1,
                                            "s",
                                            QString::fromLatin1(os),
                                            QString::fromLatin1(arch),
                                            QString::fromLatin1(osId)};
        result.minimumSystemVersion = QString::fromLatin1(minimum);
        return result;
    };
    const UpdateVersion running = *UpdateVersion::parse(QStringLiteral("1.0"));
    struct Case
    {
        const char *name;
        QList<AppcastItem> items;
        std::optional<UpdateVersion> skipped;
        const char *expected;
    };
    AppcastItem info(*UpdateVersion::parse(QStringLiteral("1.5")));
    info.isInformationOnly = true;
    const Case cases[] = {
        {"newest of several", {item("1.1", "x86_64"), item("1.3", "x86_64"), item("1.2", "x86_64")}, {}, "1.3"},
        {"other architecture", {item("1.1", "x86_64"), item("1.3", "aarch64")}, {}, "1.1"},
        {"other system", {item("1.3", "x86_64", "", "", "macos")}, {}, ""},
        {"not newer", {item("1.0", "x86_64"), item("0.9", "x86_64")}, {}, ""},
        {"skipped", {item("1.1", "x86_64"), item("1.2", "x86_64")}, UpdateVersion::parse(QStringLiteral("1.2")), "1.1"},
        {"minimum met", {item("1.1", "x86_64", "debian", "12")}, {}, "1.1"},
        {"minimum not met", {item("1.1", "x86_64", "debian", "13")}, {}, ""},
        {"minimum of another distribution", {item("1.1", "x86_64", "fedora", "40")}, {}, "1.1"},
        {"information only fits any architecture", {item("1.1", "x86_64"), info}, {}, "1.5"},
    };
    for (const Case &c : cases) {
        const std::optional<AppcastItem> chosen = AppcastItemChooser::choose(c.items, running, host, c.skipped);
        EXPECT_EQ(chosen ? chosen->version.toString() : QString(), QString::fromLatin1(c.expected)) << c.name;
    }
}

TEST(HostPlatformTest, ReadsIdAndVersionFromOsRelease)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("os-release")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# comment\nNAME=\"Debian GNU/Linux\"\nID=debian\nVERSION_ID=\"12\"\nID_LIKE='x'\n");
    file.close();
    const HostPlatform platform = HostPlatform::read(file.fileName(), QStringLiteral("aarch64"));
    EXPECT_EQ(platform.osId, QStringLiteral("debian"));
    EXPECT_EQ(platform.osVersionId, QStringLiteral("12"));
    EXPECT_EQ(platform.arch, QStringLiteral("aarch64"));
    EXPECT_TRUE(HostPlatform::read(folder.filePath(QStringLiteral("missing")), {}).osId.isEmpty());
    EXPECT_FALSE(HostPlatform::machineArchitecture().isEmpty());
}

TEST(UpdateUrlPolicyTest, AllowsWebAddressesAndLoopbackHttpOnly)
{
    struct Case
    {
        const char *url;
        bool openable;
        bool fetchable;
    };
    const Case cases[] = {
        {"https://example.com/a", true, true}, {"HTTPS://example.com/a", true, true},
        {"http://example.com/a", true, false}, {"http://127.0.0.1:8080/a", true, true},
        {"http://[::1]/a", true, true},        {"http://localhost/a", true, true},
        {"file:///etc/passwd", false, false},  {"javascript:alert(1)", false, false},
        {"/relative/path", false, false},      {"mailto:a@example.com", false, false},
        {"ftp://example.com/a", false, false}, {"https:///nohost", false, false},
    };
    for (const Case &c : cases) {
        const QUrl url(QString::fromLatin1(c.url));
        EXPECT_EQ(UpdateUrlPolicy::isOpenableWebUrl(url), c.openable) << c.url;
        EXPECT_EQ(UpdateUrlPolicy::isFetchableUrl(url), c.fetchable) << c.url;
    }
}

// The one check every redirect hop goes through, fed the hop sequence as the client keeps it.
TEST(UpdateUrlPolicyTest, RedirectHopsAreCheckedAgainstTheWholeChain)
{
    const auto urls = [](std::initializer_list<const char *> texts) {
        QList<QUrl> list;
        for (const char *text : texts) {
            list.append(QUrl(QString::fromLatin1(text)));
        }
        return list;
    };
    const QList<QUrl> five = urls({"https://a.example/0", "https://a.example/1", "https://a.example/2",
                                   "https://a.example/3", "https://a.example/4"});
    QList<QUrl> six = five;
    six.append(QUrl(QStringLiteral("https://a.example/5")));
    const struct
    {
        const char *name;
        QList<QUrl> chain;
        const char *target;
        const char *refusal; // none: followed
    } cases[] = {
        {"https to https", urls({"https://a.example/feed"}), "https://b.example/feed", nullptr},
        {"loopback http to loopback http", urls({"http://127.0.0.1:8080/a"}), "http://localhost:9090/b", nullptr},
        {"loopback http up to https", urls({"http://127.0.0.1/a"}), "https://b.example/b", nullptr},
        {"fifth redirect", five, "https://a.example/5", nullptr},
        {"https down to loopback http", urls({"https://a.example/x"}), "http://127.0.0.1/x",
         "The server redirected from a secure address to an insecure one."},
        {"https down to http later in the chain", urls({"http://127.0.0.1/a", "https://a.example/b"}),
         "http://127.0.0.1/c", "The server redirected from a secure address to an insecure one."},
        {"loopback http to a remote http", urls({"http://127.0.0.1/a"}), "http://192.0.2.1/b",
         "The server redirected to an address that is not allowed."},
        {"not a web address", urls({"https://a.example/x"}), "file:///etc/passwd",
         "The server redirected to an address that is not allowed."},
        {"sixth redirect", six, "https://a.example/6", "The server redirected more than 5 times."},
        {"back to the start", urls({"https://a.example/a", "https://a.example/b"}), "https://a.example/a",
         "The server redirected in a loop."},
        {"to itself spelt otherwise", urls({"https://a.example/a"}), "https://a.example/x/../a#top",
         "The server redirected in a loop."},
    };
    for (const auto &c : cases) {
        const std::optional<QString> refusal
            = UpdateUrlPolicy::redirectRefusal(c.chain, QUrl(QString::fromLatin1(c.target)));
        if (c.refusal) {
            EXPECT_EQ(refusal, QString::fromUtf8(c.refusal)) << c.name;
        } else {
            EXPECT_EQ(refusal, std::nullopt) << c.name;
        }
    }
}

} // namespace
} // namespace verandel::test
