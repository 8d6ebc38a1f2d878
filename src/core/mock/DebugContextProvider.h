#pragma once

#include "mock/DebugContext.h"

#include <QObject>

#include <memory>

namespace verandel {

// The read side of the current debug context.
class DebugContextProvider : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~DebugContextProvider() override = default;

    virtual DebugContext getContext() const = 0;

Q_SIGNALS:
    // Every context that becomes current by a reload of the file (not the current one on connecting).
    void contextChanged(const verandel::DebugContext &context);
};

using DebugContextProviderPtr = std::shared_ptr<DebugContextProvider>;

} // namespace verandel
