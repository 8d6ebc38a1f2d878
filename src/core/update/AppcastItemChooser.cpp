#include "update/AppcastItemChooser.h"

namespace verandel::AppcastItemChooser {

namespace {

const QString linuxOs = QStringLiteral("linux");

bool meetsMinimumSystemVersion(const AppcastItem &item, const std::optional<AppcastEnclosure> &enclosure,
                               const HostPlatform &host)
{
    if (item.minimumSystemVersion.isEmpty() || !enclosure || enclosure->osId.isEmpty()
        || enclosure->osId != host.osId) {
        return true;
    }
    const std::optional<UpdateVersion> minimum = UpdateVersion::parse(item.minimumSystemVersion);
    const std::optional<UpdateVersion> running = UpdateVersion::parse(host.osVersionId);
    // A distribution without a numbered VERSION_ID (a rolling one) is never older than the minimum.
    if (!minimum || !running) {
        return true;
    }
    return *running >= *minimum;
}

} // namespace

bool fits(const AppcastItem &item, const HostPlatform &host)
{
    if (item.isInformationOnly) {
        return !item.enclosure || item.enclosure->os.isEmpty() || item.enclosure->os == linuxOs;
    }
    if (!item.enclosure || item.enclosure->os != linuxOs || item.enclosure->arch != host.arch) {
        return false;
    }
    return meetsMinimumSystemVersion(item, item.enclosure, host);
}

std::optional<AppcastItem> choose(const QList<AppcastItem> &items, const UpdateVersion &runningVersion,
                                  const HostPlatform &host, const std::optional<UpdateVersion> &skippedVersion)
{
    std::optional<AppcastItem> best;
    for (const AppcastItem &item : items) {
        if (item.version <= runningVersion || (skippedVersion && item.version == *skippedVersion)
            || !fits(item, host)) {
            continue;
        }
        if (!best || item.version > best->version) {
            best = item;
        }
    }
    return best;
}

} // namespace verandel::AppcastItemChooser
