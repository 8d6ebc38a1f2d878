#pragma once

#include <QByteArray>
#include <QString>

namespace verandel::UpdateArchiveExtractor {

// Unpacks a release tarball (any compression libarchive reads) held in memory into an existing empty
// folder. Refuses the whole archive (UpdaterError installFailed) at the first absolute path, ".."
// component, link that leaves the folder, device, pipe or socket, or when it unpacks to more than the
// size or entry limits; what was written before stays for the caller to remove with the folder.
// Files keep their permission bits without set-id and sticky bits.
void extract(const QByteArray &archive, const QString &destination);

} // namespace verandel::UpdateArchiveExtractor
