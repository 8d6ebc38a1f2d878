#include "update/UpdaterConfiguration.h"

#ifndef VERANDEL_UPDATE_FEED_URL
#define VERANDEL_UPDATE_FEED_URL ""
#endif
#ifndef VERANDEL_UPDATE_PUBLIC_KEY
#define VERANDEL_UPDATE_PUBLIC_KEY ""
#endif

namespace verandel {

UpdaterConfiguration UpdaterConfiguration::compiledIn()
{
    UpdaterConfiguration configuration;
    const QString feed = QStringLiteral(VERANDEL_UPDATE_FEED_URL);
    if (!feed.isEmpty()) {
        configuration.feedURL = feed;
    }
    configuration.publicKey = QByteArrayLiteral(VERANDEL_UPDATE_PUBLIC_KEY);
    return configuration;
}

} // namespace verandel
