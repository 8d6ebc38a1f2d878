#include "models/AppUpdatePreferencesController.h"

#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/StoreFixture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

// What the switches show, as a line, so one expectation covers every published value.
QString shown(const AppUpdatePreferencesController &controller)
{
    return QStringLiteral("checks=%1 saving=%2 installation=%3 saving=%4 error=%5")
        .arg(controller.automaticChecksEnabled())
        .arg(controller.isSavingAutomaticChecks())
        .arg(controller.automaticInstallationEnabled())
        .arg(controller.isSavingAutomaticInstallation())
        .arg(controller.errorMessage().value_or(QStringLiteral("none")));
}

class AppUpdatePreferencesControllerTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        reset(QStringLiteral("store"));
    }
    // A controller over a store in a directory of its own, so rows of a table start alike.
    void reset(const QString &directory)
    {
        m_storage = StorageManager::create(m_files, m_clock, m_dir.filePath(directory), m_logs);
        store = std::make_shared<AppUpdatePreferencesStore>(m_storage, m_logs);
        persisted.clear();
        controller
            = std::make_unique<AppUpdatePreferencesController>(store, [this] { persisted.append(shown(*controller)); });
    }
    // Lets the queued save run.
    void settle()
    {
        ASSERT_TRUE(waitUntil(
            [this] { return !controller->isSavingAutomaticChecks() && !controller->isSavingAutomaticInstallation(); }));
    }

    AppUpdatePreferencesStorePtr store;
    std::unique_ptr<AppUpdatePreferencesController> controller;
    QStringList persisted;
};

} // namespace

TEST_F(AppUpdatePreferencesControllerTest, AFlipMovesAtOnceSavesThenTellsTheShellOnceAfterSaving)
{
    struct Row
    {
        const char *name;
        std::function<void(AppUpdatePreferencesController &)> flip;
        QString whileSaving;
        QString afterSaving;
        AppUpdatePreferences stored;
    };
    const Row rows[] = {
        {"checks",
         [](auto &c) { c.setAutomaticChecksEnabled(false); },
         QStringLiteral("checks=0 saving=1 installation=1 saving=0 error=none"),
         QStringLiteral("checks=0 saving=0 installation=1 saving=0 error=none"),
         {false, true}},
        {"installation",
         [](auto &c) { c.setAutomaticInstallationEnabled(false); },
         QStringLiteral("checks=1 saving=0 installation=0 saving=1 error=none"),
         QStringLiteral("checks=1 saving=0 installation=0 saving=0 error=none"),
         {true, false}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        reset(QString::fromLatin1(row.name));
        row.flip(*controller);
        EXPECT_EQ(shown(*controller), row.whileSaving);
        EXPECT_TRUE(persisted.isEmpty()) << "nothing is saved before the window showed the move";
        settle();
        EXPECT_EQ(persisted, QStringList{row.afterSaving}) << "called once, after the saving flag went false";
        EXPECT_EQ(store->currentPreferences(), row.stored);
    }
}

TEST_F(AppUpdatePreferencesControllerTest, AFailedSaveMovesTheSwitchBackWithItsMessage)
{
    struct Row
    {
        const char *name;
        std::function<void(AppUpdatePreferencesController &)> flip;
        QString afterFailure;
    };
    const Row rows[] = {
        {"checks", [](auto &c) { c.setAutomaticChecksEnabled(false); },
         QStringLiteral("checks=1 saving=0 installation=1 saving=0 error=Couldn’t update automatic update checks. "
                        "Please try again.")},
        {"installation", [](auto &c) { c.setAutomaticInstallationEnabled(false); },
         QStringLiteral("checks=1 saving=0 installation=1 saving=0 error=Couldn’t update automatic update "
                        "installation. Please try again.")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        reset(QString::fromLatin1(row.name));
        m_files->failWith(FaultyFileManager::Operation::WriteNewFile, ENOSPC);
        row.flip(*controller);
        settle();
        EXPECT_EQ(shown(*controller), row.afterFailure);
        EXPECT_TRUE(persisted.isEmpty());
        EXPECT_EQ(store->currentPreferences(), (AppUpdatePreferences{true, true}));
        m_files->clearFailures();
    }
}

TEST_F(AppUpdatePreferencesControllerTest, WritingTheShownValueStartsNothingAndKeepsAnEarlierMessage)
{
    m_files->failWith(FaultyFileManager::Operation::WriteNewFile, ENOSPC);
    controller->setAutomaticChecksEnabled(false);
    settle();
    const QString failed = shown(*controller);
    QSignalSpy saving(controller.get(), &AppUpdatePreferencesController::isSavingAutomaticChecksChanged);

    controller->setAutomaticChecksEnabled(true);
    controller->setAutomaticInstallationEnabled(true);
    QCoreApplication::processEvents();

    EXPECT_EQ(shown(*controller), failed);
    EXPECT_EQ(saving.count(), 0);
    EXPECT_EQ(m_files->callCount(FaultyFileManager::Operation::WriteNewFile), 1) << "only the failed attempt";
}

TEST_F(AppUpdatePreferencesControllerTest, TheNextAcceptedChangeOfEitherSwitchClearsTheMessage)
{
    m_files->failWith(FaultyFileManager::Operation::WriteNewFile, ENOSPC, 1);
    controller->setAutomaticChecksEnabled(false);
    settle();
    ASSERT_TRUE(controller->errorMessage());

    controller->setAutomaticInstallationEnabled(false);
    EXPECT_FALSE(controller->errorMessage());
    settle();
    EXPECT_EQ(store->currentPreferences(), (AppUpdatePreferences{true, false}));
}
