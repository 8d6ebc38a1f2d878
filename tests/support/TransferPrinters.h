#pragma once

#include "transfer/ControlTransferProgress.h"

#include <ostream>
#include <type_traits>

// Lets GoogleTest print transfer statuses and records readably in failure messages.

namespace verandel::test {

using verandel::describe;

} // namespace verandel::test

namespace verandel::ProgressStatus {

// Found by argument-dependent lookup for each case of the status variant.
template <typename Status, typename = std::enable_if_t<std::is_constructible_v<ControlTransferProgressStatus, Status>>>
std::ostream &operator<<(std::ostream &out, const Status &status)
{
    return out << test::describe(ControlTransferProgressStatus(status)).toStdString();
}

} // namespace verandel::ProgressStatus

namespace verandel {

inline void PrintTo(const ControlTransferProgress &progress, std::ostream *out)
{
    *out << toString(progress.direction).toStdString() << ' ' << progress.transactionId.toStdString() << " peer "
         << (progress.peerMacId ? progress.peerMacId->toString().toStdString() : std::string("none")) << ' '
         << test::describe(progress.status).toStdString();
}

} // namespace verandel
