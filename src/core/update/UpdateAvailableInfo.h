#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

namespace verandel {

// A release the updater found: its display version and, when the feed gave one, its information page.
// The page comes from the network: open it only through the URL opener.
struct UpdateAvailableInfo
{
    QString version;
    std::optional<QUrl> infoURL;
};

} // namespace verandel

Q_DECLARE_METATYPE(std::optional<verandel::UpdateAvailableInfo>)
