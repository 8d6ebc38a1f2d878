#pragma once

#include "update/UpdaterError.h"

namespace verandel::SparkleUpdateCheckError {

// The refusal of a background check while automatic checks are off. The user driver knows it by
// domain and code and treats it as no error.
inline const QString domain = QStringLiteral("Verandel.UpdaterControllerHolder");
constexpr int automaticChecksDisabledCode = 1;

inline UpdaterError automaticChecksDisabled()
{
    return UpdaterError(domain, automaticChecksDisabledCode, QStringLiteral("Automatic update checks are disabled."));
}

inline bool isAutomaticChecksDisabled(const UpdaterError &error)
{
    return error.domain() == domain && error.code() == automaticChecksDisabledCode;
}

} // namespace verandel::SparkleUpdateCheckError
