#pragma once

#include "bluetooth/OperationFailureCategory.h"

#include <QString>

#include <optional>

namespace verandel {

// The outcome of a pair or unpair. A success never carries a failure category.
struct OperationResult
{
    OperationResult(bool success, std::optional<QString> message)
        : success(success)
        , message(std::move(message))
    { }
    OperationResult(bool success, std::optional<QString> message, std::optional<OperationFailureCategory> category)
        : success(success)
        , message(std::move(message))
        , failureCategory(success ? std::nullopt : category)
    { }

    static OperationResult failure(QString message, OperationFailureCategory category)
    {
        return {false, std::move(message), category};
    }
    static OperationResult succeeded(QString message) { return {true, std::move(message)}; }

    bool success;
    std::optional<QString> message;
    std::optional<OperationFailureCategory> failureCategory;
};

} // namespace verandel
