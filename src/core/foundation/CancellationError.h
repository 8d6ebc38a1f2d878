#pragma once

#include <exception>

namespace verandel {

// Thrown by an awaited operation whose stop token was triggered before or while it waited.
class CancellationError final : public std::exception
{
public:
    const char *what() const noexcept override { return "The operation was cancelled"; }
};

} // namespace verandel
