#pragma once

#include <QString>

namespace verandel {

// The subsystem every log line of the program is filed under.
inline const QString logSubsystem = QStringLiteral("com.verandel.Verandel");

} // namespace verandel
