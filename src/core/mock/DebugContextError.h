#pragma once

#include "foundation/KindError.h"

namespace verandel {

struct DebugContextErrorCases
{
    enum class Kind { FileNotFound };
    // The path.
    using Payload = QString;
    static constexpr auto descriptions = std::to_array<EnumText<Kind>>({
        {Kind::FileNotFound, u"Debug context file not found: %1"},
    });
};

// The debug context file is missing.
class DebugContextError final : public KindError<DebugContextErrorCases>
{
public:
    static DebugContextError fileNotFound(const QString &path) { return {Kind::FileNotFound, path}; }

    const QString &path() const { return payload(); }
    QString errorDescription() const { return description(); }

private:
    using KindError::KindError;
};

} // namespace verandel
