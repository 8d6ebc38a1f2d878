#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace verandel {

// Where updates come from: the feed address and the public key (base64 Ed25519) the downloads must
// be signed with. Without both the program has no updater. The program's own are compiled into its
// executable (ProgramBuild).
struct UpdaterConfiguration
{
    std::optional<QString> feedURL;
    QByteArray publicKey;
};

} // namespace verandel
