#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace verandel {

// Where updates come from: the feed address and the public key (base64 Ed25519) the downloads must
// be signed with. Without both the program has no updater.
struct UpdaterConfiguration
{
    std::optional<QString> feedURL;
    QByteArray publicKey;

    // The feed and key compiled into the program (empty options give none).
    static UpdaterConfiguration compiledIn();
};

} // namespace verandel
