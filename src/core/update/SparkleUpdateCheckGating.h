#pragma once

namespace verandel {

// The gate in front of the updater's background checks.
class SparkleUpdateCheckGating
{
public:
    virtual ~SparkleUpdateCheckGating() = default;
    virtual void setAutomaticChecksEnabled(bool enabled) = 0;
};

} // namespace verandel
