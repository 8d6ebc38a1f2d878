#include "update/AppcastParser.h"

#include "foundation/LogText.h"
#include "update/UpdateUrlPolicy.h"
#include "update/UpdaterError.h"

#include <QXmlStreamReader>

namespace verandel::AppcastParser {

namespace {

const QString sparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");
constexpr qsizetype maxItems = 500;
constexpr qsizetype maxShortText = 128;
constexpr qsizetype maxReleaseNotes = 64 * 1024;

// What an item said before it is checked.
struct RawItem
{
    QString version;
    QString displayVersion;
    QString title;
    QString link;
    QString description;
    QString minimumSystemVersion;
    bool informationOnly = false;
    std::optional<AppcastEnclosure> enclosure;
    QString enclosureVersion;
    QString enclosureUrl;
};

QString shortText(const QString &text, qsizetype limit = maxShortText)
{
    return stripControlCharacters(text.trimmed()).left(limit);
}

QString sparkleAttribute(const QXmlStreamAttributes &attributes, const QString &name)
{
    return attributes.value(sparkleNamespace, name).toString();
}

void readEnclosure(QXmlStreamReader &reader, RawItem &item)
{
    const QXmlStreamAttributes attributes = reader.attributes();
    AppcastEnclosure enclosure;
    bool lengthValid = false;
    enclosure.length = attributes.value(QStringLiteral("length")).toLongLong(&lengthValid);
    if (!lengthValid) {
        enclosure.length = 0;
    }
    enclosure.edSignature = sparkleAttribute(attributes, QStringLiteral("edSignature")).trimmed().toLatin1();
    enclosure.os = shortText(sparkleAttribute(attributes, QStringLiteral("os")));
    enclosure.arch = shortText(sparkleAttribute(attributes, QStringLiteral("arch")));
    enclosure.osId = shortText(sparkleAttribute(attributes, QStringLiteral("os-id")));
    item.enclosureUrl = attributes.value(QStringLiteral("url")).toString().trimmed();
    item.enclosureVersion = sparkleAttribute(attributes, QStringLiteral("version")).trimmed();
    if (item.displayVersion.isEmpty()) {
        item.displayVersion = sparkleAttribute(attributes, QStringLiteral("shortVersionString"));
    }
    item.enclosure = enclosure;
    reader.skipCurrentElement();
}

RawItem readItem(QXmlStreamReader &reader)
{
    RawItem item;
    while (reader.readNextStartElement()) {
        const QStringView name = reader.name();
        const bool isSparkle = reader.namespaceUri() == sparkleNamespace;
        if (isSparkle && name == u"version") {
            item.version = reader.readElementText().trimmed();
        } else if (isSparkle && name == u"shortVersionString") {
            item.displayVersion = reader.readElementText();
        } else if (isSparkle && name == u"minimumSystemVersion") {
            item.minimumSystemVersion = shortText(reader.readElementText());
        } else if (isSparkle && name == u"informationalUpdate") {
            item.informationOnly = true;
            reader.skipCurrentElement();
        } else if (reader.namespaceUri().isEmpty() && name == u"title") {
            item.title = reader.readElementText();
        } else if (reader.namespaceUri().isEmpty() && name == u"link") {
            item.link = reader.readElementText().trimmed();
        } else if (reader.namespaceUri().isEmpty() && name == u"description") {
            item.description = reader.readElementText();
        } else if (reader.namespaceUri().isEmpty() && name == u"enclosure") {
            readEnclosure(reader, item);
        } else {
            reader.skipCurrentElement();
        }
    }
    return item;
}

// An absolute http(s) address, or nothing; anything else in the feed is no address we follow.
std::optional<QUrl> webUrl(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!UpdateUrlPolicy::isOpenableWebUrl(url)) {
        return std::nullopt;
    }
    return url;
}

std::optional<AppcastItem> check(RawItem raw, LoggerProtocol &logger)
{
    const QString versionText = raw.version.isEmpty() ? raw.enclosureVersion : raw.version;
    const std::optional<UpdateVersion> version = UpdateVersion::parse(versionText);
    if (!version) {
        logger.warning(QStringLiteral("Sparkle: Ignoring feed item with unusable version \"%1\"")
                           .arg(escapeControlCharacters(versionText.left(maxShortText))));
        return std::nullopt;
    }
    AppcastItem item(*version);
    item.displayVersion = shortText(raw.displayVersion);
    if (item.displayVersion.isEmpty()) {
        item.displayVersion = version->toString();
    }
    item.title = shortText(raw.title);
    item.releaseNotes = raw.description.left(maxReleaseNotes);
    item.minimumSystemVersion = raw.minimumSystemVersion;
    item.isInformationOnly = raw.informationOnly;
    if (!raw.link.isEmpty()) {
        // A link that is no web address is dropped here; the driver checks again before opening.
        const std::optional<QUrl> page = webUrl(raw.link);
        if (!page) {
            logger.warning(QStringLiteral("Sparkle: Ignoring the information link of version %1: it is not a web page")
                               .arg(version->toString()));
        }
        item.infoURL = page.value_or(QUrl());
    }
    if (raw.enclosure) {
        const std::optional<QUrl> url = webUrl(raw.enclosureUrl);
        if (!url) {
            logger.warning(QStringLiteral("Sparkle: Ignoring download of version %1 with unusable address")
                               .arg(version->toString()));
        } else {
            item.enclosure = raw.enclosure;
            item.enclosure->url = *url;
        }
    }
    return item;
}

} // namespace

QList<AppcastItem> parse(const QByteArray &document, LoggerProtocol &logger)
{
    QXmlStreamReader reader(document);
    QList<AppcastItem> items;
    qsizetype seen = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference) {
            // Entities are how XML documents grow without bound or read local files; a feed needs none.
            throw UpdaterError(UpdaterError::feedInvalid, QStringLiteral("The update feed is not valid."));
        }
        if (token == QXmlStreamReader::StartElement && reader.name() == u"item" && reader.namespaceUri().isEmpty()) {
            if (++seen > maxItems) {
                break;
            }
            if (std::optional<AppcastItem> item = check(readItem(reader), logger)) {
                items.append(std::move(*item));
            }
        }
    }
    if (reader.hasError() && seen <= maxItems) {
        logger.warning(QStringLiteral("Sparkle: Update feed is not valid XML: %1")
                           .arg(escapeControlCharacters(reader.errorString())));
        throw UpdaterError(UpdaterError::feedInvalid, QStringLiteral("The update feed is not valid."));
    }
    return items;
}

} // namespace verandel::AppcastParser
