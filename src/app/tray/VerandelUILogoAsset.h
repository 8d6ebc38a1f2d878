#pragma once

#include "kit/IconProvider.h"

#include "foundation/LoggerFactory.h"

namespace verandel {

// The logo the tray icon is drawn from. It is one of the program's own icons (a Qt resource), so
// finding it cannot fail in a working build; the lookup is only logged.
class VerandelUILogoAsset
{
public:
    VerandelUILogoAsset() = delete;

    // Logs where the logo comes from; false when this build cannot draw it.
    static bool isAvailable(const IconProvider &icons, LoggerFactory &loggerFactory);
};

} // namespace verandel
