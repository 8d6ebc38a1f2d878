#pragma once

#include "foundation/StorageError.h"
#include "mock/DebugContextUpdater.h"
#include "support/fakes/FakeDebugContextProvider.h"

#include <optional>

namespace verandel::test {

// A provider that is also an updater: updates change the held context (announcing nothing, as the
// real one leaves that to the file watch) unless a stubbed error is thrown. beforeChange runs on the
// copy a change is applied to, standing for an edit of the file that raced the caller.
class FakeDebugContextUpdater final : public FakeDebugContextProvider, public DebugContextUpdater
{
    Q_OBJECT

public:
    using FakeDebugContextProvider::FakeDebugContextProvider;

    void updateDebugContext(const DebugContext &updated) override
    {
        ++updateCallCount;
        context = updated;
        throwStubbedError();
    }

    void updateDebugContext(const std::function<void(DebugContext &)> &change) override
    {
        ++updateCallCount;
        DebugContext changed = context;
        if (beforeChange) {
            beforeChange(changed);
        }
        change(changed);
        throwStubbedError();
        context = changed;
    }

    std::optional<StorageError> stubbedUpdateError;
    std::function<void(DebugContext &)> beforeChange;
    int updateCallCount = 0;

private:
    void throwStubbedError() const
    {
        if (stubbedUpdateError) {
            throw *stubbedUpdateError;
        }
    }
};

} // namespace verandel::test
