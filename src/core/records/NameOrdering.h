#pragma once

#include <QString>

namespace verandel {

// The order of names in every sorted list of records: case-sensitive, locale-independent, by the
// Unicode scalar values of the names' canonical (NFC) forms, so canonically equivalent names are
// equal. Negative, zero or positive like strcmp.
int compareNames(const QString &a, const QString &b);

} // namespace verandel
