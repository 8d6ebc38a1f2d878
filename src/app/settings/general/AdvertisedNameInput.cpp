#include "settings/general/AdvertisedNameInput.h"

#include "foundation/LogText.h"
#include "records/MacIdentifierService.h"
#include "records/PeerNamePolicy.h"

#include <algorithm>

namespace verandel {

namespace {

bool fits(const QString &text)
{
    return text.trimmed().toUtf8().size() <= MacIdentifierService::maxAdvertisedNameBytes;
}

} // namespace

AdvertisedNameInput::Edit AdvertisedNameInput::accept(const QString &previous, const QString &edited, int cursor)
{
    // Dropping a character before the cursor moves the cursor with the text.
    const QString cleaned = stripControlCharacters(edited);
    const int dropped = static_cast<int>(
        std::count_if(edited.cbegin(), edited.cbegin() + std::clamp(cursor, 0, static_cast<int>(edited.size())),
                      [](QChar c) { return isControlCharacter(c.unicode()); }));
    Edit edit{cleaned, std::clamp(cursor - dropped, 0, static_cast<int>(cleaned.size()))};
    if (fits(cleaned)) {
        return edit;
    }
    // What was there before stays; of what the edit put in, only as much as still fits.
    const qsizetype shorter = std::min(previous.size(), cleaned.size());
    qsizetype prefix = 0;
    while (prefix < shorter && previous.at(prefix) == cleaned.at(prefix)) {
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < shorter - prefix
           && previous.at(previous.size() - 1 - suffix) == cleaned.at(cleaned.size() - 1 - suffix)) {
        ++suffix;
    }
    // Never between the two halves of a character.
    if (prefix > 0 && cleaned.at(prefix - 1).isHighSurrogate()) {
        --prefix;
    }
    if (suffix > 0 && cleaned.at(cleaned.size() - suffix).isLowSurrogate()) {
        --suffix;
    }
    const QString before = cleaned.left(prefix);
    const QString after = cleaned.right(suffix);
    const QString inserted = cleaned.mid(prefix, cleaned.size() - prefix - suffix);
    const qsizetype room = MacIdentifierService::maxAdvertisedNameBytes - (before + after).trimmed().toUtf8().size();
    const QString kept = room > 0 ? capToUtf8Bytes(inserted, room) : QString();
    if (!fits(before + kept + after)) {
        const QString capped = capToUtf8Bytes(cleaned.trimmed(), MacIdentifierService::maxAdvertisedNameBytes);
        return {capped, static_cast<int>(capped.size())};
    }
    return {before + kept + after, static_cast<int>(prefix + kept.size())};
}

QString AdvertisedNameInput::visibleName(const QString &fieldText, const QString &hostName)
{
    const std::optional<QString> stored = MacIdentifierService::normalizedAdvertisedName(
        fieldText.isEmpty() ? std::nullopt : std::optional<QString>(fieldText));
    const QString advertised = stored.value_or(capToUtf8Bytes(hostName, MacIdentifierService::maxAdvertisedNameBytes));
    return sanitizedPeerName(advertised).value_or(QStringLiteral("This Computer"));
}

} // namespace verandel
