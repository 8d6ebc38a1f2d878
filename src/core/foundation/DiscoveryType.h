#pragma once

namespace verandel {

// The discovery transport mock mode runs on.
enum class DiscoveryType { Debug, Bonjour };

} // namespace verandel
