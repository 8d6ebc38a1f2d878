#pragma once

#include "foundation/VerandelVersion.h"

#include <QString>

namespace verandel {

struct VerandelCore
{
    static inline const QString version = QStringLiteral(VERANDEL_VERSION);
};

} // namespace verandel
