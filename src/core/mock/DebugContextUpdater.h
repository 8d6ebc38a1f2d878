#pragma once

#include "mock/DebugContext.h"

#include <functional>

namespace verandel {

// The write side of the current debug context. Neither update announces the change itself: readers
// hear of it when the file watch sees the write and the file is reloaded. A reader that also needs to
// write takes a DebugContextProvider and looks for this interface on the same object.
class DebugContextUpdater
{
public:
    virtual ~DebugContextUpdater() = default;

    // Makes the context current, then writes it; the write's StorageError is thrown with the
    // context already current.
    virtual void updateDebugContext(const DebugContext &context) = 0;
    // Applies the change to a copy of the current context and writes it; the copy becomes current
    // only when the write succeeded. The write's StorageError is thrown.
    virtual void updateDebugContext(const std::function<void(DebugContext &)> &change) = 0;
};

} // namespace verandel
