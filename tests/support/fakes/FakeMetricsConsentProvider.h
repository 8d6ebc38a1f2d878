#pragma once

#include "telemetry/MetricsConsentProvider.h"

namespace verandel::test {

// Consent as the test sets it.
class FakeMetricsConsentProvider final : public MetricsConsentProvider
{
public:
    bool enabled = true;
    bool isMetricsCollectionEnabled() const override { return enabled; }
};

} // namespace verandel::test
