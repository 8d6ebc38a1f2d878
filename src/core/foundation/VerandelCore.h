#pragma once

#include <QString>

namespace verandel {

struct VerandelCore
{
    static inline const QString version = QStringLiteral("1.0.6");
};

} // namespace verandel
