#pragma once

#include "foundation/LoggerProtocol.h"
#include "foundation/StorageError.h"
#include "foundation/StorageManager.h"

#include <optional>

namespace verandel {

// Reads a preferences document that has a default: a missing file gives nothing, silently; a location
// that cannot be resolved or a file that cannot be read or decoded gives nothing too, with one warning
// line, the prefix followed by the error. Never throws.
template <typename T>
std::optional<T> readStoredPreferences(StorageManager &storage, QString (StorageManager::*location)(),
                                       LoggerProtocol &logger, const QString &warningPrefix)
{
    try {
        return storage.readJSONSync<T>((storage.*location)());
    } catch (const std::exception &error) {
        const auto *storageError = dynamic_cast<const StorageError *>(&error);
        if (!storageError || storageError->kind() != StorageError::Kind::FileNotFound) {
            logger.warning(warningPrefix + describeError(error));
        }
    }
    return std::nullopt;
}

} // namespace verandel
