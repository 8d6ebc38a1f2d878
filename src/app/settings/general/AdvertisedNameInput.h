#pragma once

#include <QString>

namespace verandel {

// What the advertised-name field takes, and what other computers see of it. The name ends up in a DNS
// label and in other computers' windows: the field keeps no more than the identity service stores and
// nothing a receiver would drop.
class AdvertisedNameInput
{
public:
    AdvertisedNameInput() = delete;

    struct Edit
    {
        QString text;
        int cursor = 0;
        bool operator==(const Edit &) const = default;
    };

    // The field after the user changed `previous` into `edited` (the cursor at `cursor`): control and
    // bidi characters are dropped, and an insertion keeps only as much as fits in the identity
    // service's 63 UTF-8 bytes (the blanks around the name are trimmed there and not counted).
    static Edit accept(const QString &previous, const QString &edited, int cursor);
    // The name other computers receive for this field: as the identity service stores it, else the
    // host name it advertises instead, cleaned as a receiver cleans it; "This Computer" when nothing is
    // left.
    static QString visibleName(const QString &fieldText, const QString &hostName);
};

} // namespace verandel
