#pragma once

#include "update/TransferActivityProtocol.h"

namespace verandel::test {

// A running-flow count the test sets, with the change signal a coordinator sends.
class FakeTransferActivity final : public TransferActivityProtocol
{
public:
    int count = 0;

    int runningFlowCount() const override { return count; }
    void setCount(int value)
    {
        count = value;
        Q_EMIT runningFlowCountChanged(value);
    }
};

} // namespace verandel::test
