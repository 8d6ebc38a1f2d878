#include "mock/DebugContextError.h"

namespace verandel {

DebugContextError::DebugContextError(Kind kind, QString path)
    : m_kind(kind)
    , m_path(std::move(path))
    , m_what(errorDescription().toUtf8())
{ }

QString DebugContextError::errorDescription() const
{
    switch (m_kind) {
    case Kind::FileNotFound: return QStringLiteral("Debug context file not found: ") + m_path;
    }
    return {};
}

} // namespace verandel
