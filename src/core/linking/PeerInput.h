#pragma once

#include "records/DiscoverableMac.h"

#include <QString>

#include <optional>

namespace verandel {

// Names and codes that other computers advertise or send, cleaned before linking stores, shows or logs
// them: names lose control characters and are capped like this computer's own advertised name; a
// code that is not six to eight symbols of the code alphabet counts as no code.
namespace PeerInput {

// The record with its name and code cleaned; a name with nothing left becomes empty.
DiscoverableMac sanitized(const DiscoverableMac &mac);
std::optional<QString> sanitizedName(const std::optional<QString> &name);
std::optional<QString> sanitizedSecurityCode(const std::optional<QString> &code);

// A record as debug lines show it.
QString describe(const DiscoverableMac &mac);

} // namespace PeerInput

} // namespace verandel
