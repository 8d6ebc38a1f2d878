#pragma once

#include "update/UpdaterError.h"
#include "update/UserUpdateChoice.h"

#include <QString>

#include <optional>

namespace verandel {

// What the updater asks its owner: the feed to read, and whether a check may run.
class UpdaterDelegateProtocol
{
public:
    virtual ~UpdaterDelegateProtocol() = default;

    // Nothing: the feed compiled into the program.
    virtual std::optional<QString> feedURLString() const = 0;
    // Nothing lets the check run; an error refuses it and reaches the user driver as an updater error.
    virtual std::optional<UpdaterError> mayPerformUpdateCheck(UpdateCheckKind kind) = 0;
};

} // namespace verandel
