#pragma once

#include "foundation/LoggerProtocol.h"
#include "update/AppcastItem.h"
#include "update/HostPlatform.h"

#include <QList>

#include <optional>

namespace verandel::AppcastItemChooser {

// Whether the item is built for this system: "linux", this architecture (information-only items need
// no download and fit every architecture), and a minimum system version that this distribution's
// VERSION_ID reaches, when the item names this distribution.
bool fits(const AppcastItem &item, const HostPlatform &host);

// The newest fitting item newer than the running version and not the skipped one.
std::optional<AppcastItem> choose(const QList<AppcastItem> &items, const UpdateVersion &runningVersion,
                                  const HostPlatform &host, const std::optional<UpdateVersion> &skippedVersion);

} // namespace verandel::AppcastItemChooser
