#pragma once

#include <QString>

namespace verandel::RelativeTimeFormatter {

// A time relative to now in abbreviated English units, counted in whole units of the largest unit
// that fits: "now", "45 sec. ago", "5 min. ago", "2 hr. ago", "1 day ago", "3 wk. ago", "2 mo. ago",
// "1 yr. ago", and "in 5 min." for the future.
QString format(double secondsAgo);

} // namespace verandel::RelativeTimeFormatter
