#pragma once

namespace verandel {

// Which Local Network card Discovery Mode shows; held as std::optional, where no value means none.
enum class DiscoveryPermissionGuidanceState {
    Preflight, // not checked yet: continuing checks that the local network service answers
    DeniedRecovery, // the local network service did not answer: offer the settings and a new try
};

} // namespace verandel
