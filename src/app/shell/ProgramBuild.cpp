#include "shell/ProgramBuild.h"

// VERANDEL_UPDATE_FEED_URL, VERANDEL_UPDATE_PUBLIC_KEY and VERANDEL_PROGRAM_VERSION are given per
// executable, always (verandel_add_program in src/app/CMakeLists.txt); an empty feed or key: no updater.

namespace verandel {

ProgramBuild ProgramBuild::thisProgram()
{
    UpdaterConfiguration updater;
    const QString feed = QStringLiteral(VERANDEL_UPDATE_FEED_URL);
    if (!feed.isEmpty()) {
        updater.feedURL = feed;
    }
    updater.publicKey = QByteArrayLiteral(VERANDEL_UPDATE_PUBLIC_KEY);
    const std::optional<UpdateVersion> version = UpdateVersion::parse(QStringLiteral(VERANDEL_PROGRAM_VERSION));
    return ProgramBuild{updater, version.value_or(*UpdateVersion::parse(QStringLiteral("0")))};
}

} // namespace verandel
