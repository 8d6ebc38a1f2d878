#include "update/AppUpdatePreferencesStore.h"

#include "support/QtPrinters.h"
#include "support/StoreFixture.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>

using namespace verandel;

namespace {

const QString preferencesFile = QStringLiteral("update-preferences.json");
const QString category = QStringLiteral("AppUpdatePreferencesStore");

class AppUpdatePreferencesStoreTest : public test::StoreFixture
{
protected:
    AppUpdatePreferencesStore makeStore() { return AppUpdatePreferencesStore(m_storage, m_logs); }
    QJsonObject stored() const { return QJsonDocument::fromJson(contents(preferencesFile)).object(); }
    QStringList warnings() const { return m_logs.messages(LogLevel::Warning, category); }
};

TEST_F(AppUpdatePreferencesStoreTest, NoFileMeansBothOnSilentlyAndWritesNothing)
{
    const AppUpdatePreferencesStore store = makeStore();
    EXPECT_EQ(store.currentPreferences(), AppUpdatePreferences{});
    EXPECT_TRUE(store.isAutomaticChecksEnabled());
    EXPECT_TRUE(store.isAutomaticInstallationEnabled());
    EXPECT_FALSE(exists(preferencesFile));
    for (const test::LogRecord &record : m_logs.records()) {
        EXPECT_NE(record.category, category) << record.message.toStdString();
    }
}

TEST_F(AppUpdatePreferencesStoreTest, AStoredDocumentIsReadAndAnyOtherGivesTheDefaultWithOneWarning)
{
    struct Case
    {
        const char *name;
        QByteArray file;
        AppUpdatePreferences expected;
        bool warns;
    };
    const Case cases[] = {
        {"both keys",
         R"({"automaticChecksEnabled": false, "automaticInstallationEnabled": true})",
         {false, true},
         false},
        {"only one key", R"({"automaticChecksEnabled": false})", {}, true},
        {"a key of another type",
         R"({"automaticChecksEnabled": "no", "automaticInstallationEnabled": false})",
         {},
         true},
        {"not an object", R"([true, false])", {}, true},
        {"not JSON", "automaticChecksEnabled=false", {}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_logs.clear();
        writeRaw(preferencesFile, c.file);
        const AppUpdatePreferencesStore store = makeStore();
        EXPECT_EQ(store.currentPreferences(), c.expected);
        const QStringList lines = warnings();
        ASSERT_EQ(lines.size(), c.warns ? 1 : 0) << lines.join(u'\n').toStdString();
        if (c.warns) {
            EXPECT_TRUE(lines.first().startsWith(
                QStringLiteral("Failed to load update preferences. Defaulting to automatic updates enabled: ")));
            // The bad file stays until a change replaces it.
            EXPECT_EQ(contents(preferencesFile), c.file);
        }
    }
}

TEST_F(AppUpdatePreferencesStoreTest, EachSetterWritesBothChoicesBeforeTheCacheChanges)
{
    AppUpdatePreferencesStore store = makeStore();
    store.setAutomaticInstallationEnabled(false);
    EXPECT_EQ(stored(),
              (QJsonObject{{QStringLiteral("automaticChecksEnabled"), true},
                           {QStringLiteral("automaticInstallationEnabled"), false}}));
    EXPECT_EQ(store.currentPreferences(), (AppUpdatePreferences{true, false}));

    store.setAutomaticChecksEnabled(false);
    EXPECT_EQ(stored(),
              (QJsonObject{{QStringLiteral("automaticChecksEnabled"), false},
                           {QStringLiteral("automaticInstallationEnabled"), false}}));
    // A new store reads what the old one wrote.
    EXPECT_EQ(makeStore().currentPreferences(), (AppUpdatePreferences{false, false}));
}

TEST_F(AppUpdatePreferencesStoreTest, AFailedWriteThrowsAndChangesNeitherCacheNorFile)
{
    AppUpdatePreferencesStore store = makeStore();
    store.setAutomaticChecksEnabled(false);
    const QByteArray before = contents(preferencesFile);

    m_files->failWith(test::FaultyFileManager::Operation::WriteNewFile, ENOSPC);
    EXPECT_EQ(kindOf([&] { store.setAutomaticInstallationEnabled(false); }), StorageError::Kind::DiskFull);
    EXPECT_EQ(store.currentPreferences(), (AppUpdatePreferences{false, true}));
    EXPECT_EQ(contents(preferencesFile), before);
}

} // namespace
