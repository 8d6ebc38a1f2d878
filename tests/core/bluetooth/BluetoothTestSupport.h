#pragma once

#include "bluetooth/OperationResult.h"

#include <QCoro/QCoroTask>

#include <optional>

namespace verandel::test {

// Runs a task in the background and leaves its result in *out, so a test can drive a clock while the
// task waits on it.
template <typename T>
QCoro::Task<> collectInto(QCoro::Task<T> task, std::optional<T> *out)
{
    out->emplace(co_await std::move(task));
}

inline std::string describe(const OperationResult &result)
{
    return QStringLiteral("success=%1 message=%2 category=%3")
        .arg(result.success ? QStringLiteral("true") : QStringLiteral("false"), result.message.value_or(QString()),
             result.failureCategory ? toString(*result.failureCategory) : QStringLiteral("none"))
        .toStdString();
}

} // namespace verandel::test
