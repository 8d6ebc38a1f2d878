#pragma once

#include <QString>

#include <exception>

namespace verandel {

// An error that a window may show. Its own description stays for the log (ids, paths, daemon
// replies); userDescription() is one sentence for the user, without ids, paths or "Mac".
class UserFacingError
{
public:
    virtual ~UserFacingError() = default;

    virtual QString userDescription() const = 0;
};

// What a window says about a failure: the error's user wording, or a general sentence for an error
// that has none (its text was never meant for the user).
QString userDescription(const std::exception &error);
QString userDescription(const std::exception_ptr &error);

} // namespace verandel
