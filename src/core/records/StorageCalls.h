#pragma once

#include "foundation/StorageError.h"

namespace verandel {

// Runs a call into the file store so that every failure leaves it as a StorageError.
template <typename Operation>
auto asStorageError(Operation operation) -> decltype(operation())
{
    try {
        return operation();
    } catch (const StorageError &) {
        throw;
    } catch (const std::exception &error) {
        throw StorageError::unknownError(describeError(error));
    }
}

} // namespace verandel
