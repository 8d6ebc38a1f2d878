#include "records/DeviceDisplayNamePolicy.h"

#include "foundation/LogText.h"

namespace verandel::DeviceDisplayNamePolicy {

namespace {

bool isHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')
        || (c >= u'\uFF10' && c <= u'\uFF19') || (c >= u'\uFF21' && c <= u'\uFF26')
        || (c >= u'\uFF41' && c <= u'\uFF46');
}

// One address written with colons, hyphens or nothing between its pairs, in either case, gives one text.
QString normalizedAddressLike(const QString &value)
{
    const QString trimmed = value.trimmed();
    QString digits;
    for (QChar c : trimmed) {
        if (isHexDigit(c.unicode())) {
            digits.append(c);
        }
    }
    return (digits.size() == 12 ? digits : trimmed).toLower();
}

} // namespace

QString displayName(const QString &rawName, const QString &macAddress, DeviceType classifiedDeviceType)
{
    // Any nearby device chooses its own name: controls must not reorder or hide what is shown.
    const QString trimmed = stripControlCharacters(rawName).trimmed();
    const bool hasName = !trimmed.isEmpty();
    if (hasName && trimmed.compare(QStringLiteral("Unknown Device"), Qt::CaseInsensitive) != 0
        && normalizedAddressLike(trimmed) != normalizedAddressLike(macAddress)) {
        return trimmed;
    }
    if (classifiedDeviceType != DeviceType::Other) {
        return verandel::displayName(classifiedDeviceType);
    }
    return hasName ? trimmed : QStringLiteral("Device ") + macAddress;
}

} // namespace verandel::DeviceDisplayNamePolicy
