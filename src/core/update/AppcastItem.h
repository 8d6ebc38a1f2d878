#pragma once

#include "update/UpdateVersion.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace verandel {

// The downloadable file of a release: where it is, how long it is and its Ed25519 signature, and
// which system it is built for.
struct AppcastEnclosure
{
    QUrl url;
    qint64 length = 0;
    QByteArray edSignature; // base64, as the feed writes it
    QString os; // "linux"
    QString arch; // as `uname -m` says: "x86_64", "aarch64"
    QString osId; // the distribution (os-release ID) the minimum system version refers to
};

// One release of the feed. Every text in it comes from the feed: shown as plain text only, never
// used to build a path (the version is parsed into numbers first).
struct AppcastItem
{
    explicit AppcastItem(UpdateVersion itemVersion)
        : version(std::move(itemVersion))
    { }

    UpdateVersion version;
    QString displayVersion;
    QString title;
    QUrl infoURL;
    QString releaseNotes;
    QString minimumSystemVersion;
    bool isInformationOnly = false;
    std::optional<AppcastEnclosure> enclosure;
};

} // namespace verandel
