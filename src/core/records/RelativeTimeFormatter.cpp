#include "records/RelativeTimeFormatter.h"

#include <cmath>

namespace verandel::RelativeTimeFormatter {

namespace {

struct Unit
{
    double seconds;
    const char *singular;
    const char *plural;
};

constexpr Unit units[] = {
    {365.0 * 86400, "yr.", "yr."}, {30.0 * 86400, "mo.", "mo."}, {7.0 * 86400, "wk.", "wk."}, {86400, "day", "days"},
    {3600, "hr.", "hr."},          {60, "min.", "min."},         {1, "sec.", "sec."},
};

} // namespace

QString format(double secondsAgo)
{
    if (!std::isfinite(secondsAgo)) {
        return {};
    }
    const double magnitude = std::fabs(secondsAgo);
    for (const Unit &unit : units) {
        if (magnitude < unit.seconds) {
            continue;
        }
        const auto count = static_cast<qint64>(std::floor(magnitude / unit.seconds));
        const QString amount
            = QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? unit.singular : unit.plural);
        return secondsAgo > 0 ? amount + QStringLiteral(" ago") : QStringLiteral("in ") + amount;
    }
    return QStringLiteral("now");
}

} // namespace verandel::RelativeTimeFormatter
