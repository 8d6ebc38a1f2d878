#pragma once

#include "linking/NetworkPathSourceProtocol.h"

namespace verandel::test {

// A network path the test sets; start() reports nothing by itself.
class FakeNetworkPathSource final : public NetworkPathSourceProtocol
{
public:
    bool satisfied = true;
    int starts = 0;

    void start() override { ++starts; }
    bool isSatisfied() const override { return satisfied; }
    void report(bool value)
    {
        satisfied = value;
        Q_EMIT pathUpdated(value);
    }
};

} // namespace verandel::test
