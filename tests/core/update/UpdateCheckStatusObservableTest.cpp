#include "update/UpdateCheckStatusObservable.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

// Every announcement, in order, with the value it announced.
class Recorder
{
public:
    explicit Recorder(UpdateCheckStatusObservable &status)
    {
        QObject::connect(&status, &UpdateCheckStatusObservable::isCheckingChanged,
                         [this, &status] { log.append(QStringLiteral("isChecking=%1").arg(status.isChecking())); });
        QObject::connect(&status, &UpdateCheckStatusObservable::errorMessageChanged, [this, &status] {
            log.append(QStringLiteral("errorMessage=") + status.errorMessage().value_or(QStringLiteral("none")));
        });
        QObject::connect(&status, &UpdateCheckStatusObservable::updateAvailableChanged, [this, &status] {
            log.append(QStringLiteral("updateAvailable=")
                       + (status.updateAvailable() ? status.updateAvailable()->version : QStringLiteral("none")));
        });
        QObject::connect(&status, &UpdateCheckStatusObservable::pendingUpdateChanged, [this, &status] {
            log.append(QStringLiteral("pendingUpdate=")
                       + (status.pendingUpdate() ? status.pendingUpdate()->version : QStringLiteral("none")));
        });
        QObject::connect(&status, &UpdateCheckStatusObservable::isExplicitInstallActionAvailableChanged,
                         [this, &status] {
                             log.append(QStringLiteral("explicit=%1").arg(status.isExplicitInstallActionAvailable()));
                         });
    }
    QStringList log;
};

UpdateAvailableInfo release(const QString &version)
{
    return {version, QUrl(QStringLiteral("https://verandel.com/releases/") + version)};
}

} // namespace

TEST(UpdateCheckStatusObservableTest, EachOperationAnnouncesWhatItSetsInOrder)
{
    struct Row
    {
        const char *name;
        std::function<void(UpdateCheckStatusObservable &)> prepare;
        std::function<void(UpdateCheckStatusObservable &)> act;
        QStringList announced;
    };
    const auto failed = [](UpdateCheckStatusObservable &status) {
        status.setErrorMessage(QStringLiteral("Could not check for updates. Please try again."));
    };
    const Row rows[] = {
        {"a check after a failure clears the error first",
         failed,
         [](auto &s) { s.startCheck(); },
         {QStringLiteral("errorMessage=none"), QStringLiteral("isChecking=1")}},
        {"finishing while not checking announces false again and keeps the error",
         failed,
         [](auto &s) { s.finishCheck(); },
         {QStringLiteral("isChecking=0")}},
        {"setters announce unchanged values too",
         [](auto &) {},
         [](auto &s) {
             s.setPendingUpdate(std::nullopt);
             s.setExplicitInstallActionAvailable(false);
         },
         {QStringLiteral("pendingUpdate=none"), QStringLiteral("explicit=0")}},
        {"a choice without a handler still clears the offer",
         [](auto &s) { s.setUpdateAvailable(release(QStringLiteral("1.2.0"))); },
         [](auto &s) { s.userChose(UpdateUserChoice::Install); },
         {QStringLiteral("updateAvailable=none")}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        UpdateCheckStatusObservable status;
        row.prepare(status);
        Recorder recorder(status);
        row.act(status);
        EXPECT_EQ(recorder.log, row.announced);
    }
}

TEST(UpdateCheckStatusObservableTest, ADismissedOfferKeepsTheHeldUpdateAndReachesTheHandlerAfterTheOfferIsCleared)
{
    UpdateCheckStatusObservable status;
    status.setUpdateAvailable(release(QStringLiteral("1.2.0")));
    status.setPendingUpdate(release(QStringLiteral("1.2.0")));
    status.setExplicitInstallActionAvailable(true);
    QList<UpdateUserChoice> choices;
    bool offerClearedFirst = false;
    status.onUpdateChoice = [&](UpdateUserChoice choice) {
        offerClearedFirst = !status.updateAvailable();
        choices.append(choice);
        status.onUpdateChoice = nullptr; // as the user driver's handler does
    };

    status.userChose(UpdateUserChoice::Dismiss);

    EXPECT_EQ(choices, QList<UpdateUserChoice>{UpdateUserChoice::Dismiss});
    EXPECT_TRUE(offerClearedFirst);
    EXPECT_FALSE(status.updateAvailable());
    ASSERT_TRUE(status.pendingUpdate());
    EXPECT_EQ(status.pendingUpdate()->version, QStringLiteral("1.2.0"));
    EXPECT_TRUE(status.isExplicitInstallActionAvailable());
    EXPECT_FALSE(status.onUpdateChoice);
}

TEST(UpdateCheckStatusObservableTest, ChoicesHaveTheirTexts)
{
    for (const UpdateUserChoice choice : allUpdateUserChoices) {
        EXPECT_EQ(updateUserChoiceFromString(toString(choice)), choice);
    }
    EXPECT_EQ(toString(UpdateUserChoice::Skip), QStringLiteral("skip"));
}
