#pragma once

#include "mock/DebugContextProvider.h"

namespace verandel::test {

// A context the test holds in memory and announces when it says so; it cannot be written back.
class FakeDebugContextProvider : public DebugContextProvider
{
    Q_OBJECT

public:
    explicit FakeDebugContextProvider(DebugContext context = {})
        : context(std::move(context))
    { }

    DebugContext getContext() const override { return context; }

    // As if the file had been reloaded with this context.
    void simulateReload(const DebugContext &reloaded)
    {
        context = reloaded;
        Q_EMIT contextChanged(reloaded);
    }

    DebugContext context;
};

} // namespace verandel::test
