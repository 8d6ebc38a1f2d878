#include "shell/ProgramBuild.h"

#include "foundation/VerandelVersion.h"

// Given per executable (verandel_add_program in src/app/CMakeLists.txt); empty feed or key: no updater.
#ifndef VERANDEL_UPDATE_FEED_URL
#define VERANDEL_UPDATE_FEED_URL ""
#endif
#ifndef VERANDEL_UPDATE_PUBLIC_KEY
#define VERANDEL_UPDATE_PUBLIC_KEY ""
#endif
#ifndef VERANDEL_PROGRAM_VERSION
#define VERANDEL_PROGRAM_VERSION VERANDEL_VERSION
#endif

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
