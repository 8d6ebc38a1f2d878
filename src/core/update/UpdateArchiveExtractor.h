#pragma once

#include <QByteArray>
#include <QString>

namespace verandel::UpdateArchiveExtractor {

// Unpacks a release tarball (any compression libarchive reads) held in memory into an existing empty
// folder. Refuses the whole archive (UpdaterError installFailed) at the first absolute path, ".."
// component, link that leaves the folder, device, pipe or socket, or when it unpacks to more than the
// size or entry limits; once all is unpacked, every link is resolved through the links on its way and
// the archive refused when one leads out of the folder (or the links go round). What was written
// stays for the caller to remove with the folder.
// Files keep their permission bits without set-id and sticky bits.
void extract(const QByteArray &archive, const QString &destination);

} // namespace verandel::UpdateArchiveExtractor
