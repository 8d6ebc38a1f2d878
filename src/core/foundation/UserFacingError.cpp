#include "foundation/UserFacingError.h"

namespace verandel {

namespace {

const QString unexpected = QStringLiteral("Something unexpected went wrong.");

} // namespace

QString userDescription(const std::exception &error)
{
    if (const auto *userFacing = dynamic_cast<const UserFacingError *>(&error)) {
        return userFacing->userDescription();
    }
    return unexpected;
}

QString userDescription(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        return userDescription(e);
    } catch (...) {
        return unexpected;
    }
}

} // namespace verandel
