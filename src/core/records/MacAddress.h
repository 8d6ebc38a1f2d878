#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace verandel::MacAddress {

// Stores compare addresses as exact strings, so every boundary that takes an address from outside
// (BlueZ, peers, files written by hand) turns it into this one form first.

// "aa:bb:cc:dd:ee:ff" for six hexadecimal pairs separated throughout by ":" or throughout by "-",
// in either letter case; nothing for anything else (no blanks, no bare digits, no mixed separators).
std::optional<QString> canonicalize(QStringView text);

bool isValid(QStringView text);

// The canonical form of an address; any other text as it stands, so exact comparisons still tell it
// from every address.
QString normalized(QStringView text);

// Already in the canonical form, so usable as a key as it stands.
bool isCanonical(QStringView text);

} // namespace verandel::MacAddress
