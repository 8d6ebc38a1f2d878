#pragma once

#include "foundation/LoggerProtocol.h"
#include "update/AppcastItem.h"

#include <QByteArray>
#include <QList>

namespace verandel::AppcastParser {

// The items of an RSS appcast. A document type declaration, an undeclared entity or any malformed
// XML refuses the whole feed (UpdaterError feedInvalid); an item whose version is not dotted decimal,
// or whose link or enclosure is unusable, is left out with a log line, and the others are kept.
QList<AppcastItem> parse(const QByteArray &document, LoggerProtocol &logger);

} // namespace verandel::AppcastParser
