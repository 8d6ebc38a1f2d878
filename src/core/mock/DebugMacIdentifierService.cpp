#include "mock/DebugMacIdentifierService.h"

#include "foundation/JsonCodec.h"
#include "foundation/JsonFields.h"
#include "foundation/LogText.h"
#include "foundation/StorageError.h"
#include "mock/MockFileIO.h"
#include "records/MacIdentifierService.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QSysInfo>

namespace verandel {

const QString DebugMacIdentifierService::identityFileName = QStringLiteral("debug-identity.json");
const QString DebugMacIdentifierService::localIdentityFileName = QStringLiteral("advertised-mac-identity.json");

namespace {

QString besideFile(const QString &path, const QString &fileName)
{
    const QString directory = QFileInfo(path).path();
    return directory.isEmpty() || directory == QStringLiteral(".") ? fileName : directory + u'/' + fileName;
}

} // namespace

QString DebugMacIdentifierService::identityFilePathBeside(const QString &contextPath)
{
    return besideFile(contextPath, identityFileName);
}

DebugMacIdentifierService::DebugMacIdentifierService(QString identityFilePath, LoggerFactory &loggerFactory,
                                                     std::optional<QString> debugProfileName, ClockPtr clock,
                                                     QObject *parent)
    : MacIdentifierServiceProtocol(parent)
    , m_logger(loggerFactory.createLogger(QStringLiteral("DebugMacIdentifierService")))
    , m_clock(std::move(clock))
    , m_identityFilePath(std::move(identityFilePath))
    , m_debugProfileName(std::move(debugProfileName))
    , m_localIdentityFilePath(besideFile(m_identityFilePath, localIdentityFileName))
{
    m_currentMacId = loadOrCreateIdentity();
    const std::optional<LocalIdentityState> state = readLocalIdentityState();
    m_installationId = loadOrCreateInstallationId(state);
    if (state) {
        m_advertisedName = MacIdentifierService::normalizedAdvertisedName(state->advertisedName);
    }
}

QUuid DebugMacIdentifierService::loadOrCreateIdentity()
{
    if (!QFileInfo::exists(m_identityFilePath)) {
        const QUuid created = QUuid::createUuid();
        m_logger->info(QStringLiteral("Creating new debug identity: ") + idText(created));
        try {
            saveIdentity(created);
        } catch (const std::exception &error) {
            m_logger->error(QStringLiteral("Failed to save new identity: ") + describeError(error)
                            + QStringLiteral(". Using transient ID."));
        }
        return created;
    }
    try {
        const QJsonObject object = json::requireObject(json::decodeDocument(MockFileIO::readFile(m_identityFilePath)),
                                                       QStringLiteral("debug identity"));
        const QString text = json::requireString(object, QStringLiteral("id"));
        if (const std::optional<QUuid> id = json::uuidFromString(text)) {
            m_logger->info(QStringLiteral("Loaded debug identity from file: ") + idText(*id));
            return *id;
        }
        m_logger->error(QStringLiteral("Invalid UUID in identity file: ") + escapeControlCharacters(text)
                        + QStringLiteral(". Creating new identity."));
        const QUuid created = QUuid::createUuid();
        saveIdentity(created);
        return created;
    } catch (const std::exception &error) {
        return createIdentityAfterLoadError(describeError(error));
    }
}

QUuid DebugMacIdentifierService::createIdentityAfterLoadError(const QString &errorDescription)
{
    m_logger->error(QStringLiteral("Failed to load identity from ") + m_identityFilePath + QStringLiteral(": ")
                    + errorDescription + QStringLiteral(". Creating new identity."));
    const QUuid created = QUuid::createUuid();
    try {
        saveIdentity(created);
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to save new identity after load error: ") + describeError(error));
    }
    return created;
}

void DebugMacIdentifierService::saveIdentity(const QUuid &id)
{
    if (m_identityFilePath.isEmpty()) {
        throw StorageError::invalidData(QStringLiteral("Cannot save identity to empty path"));
    }
    MockFileIO::writeInPlace(m_identityFilePath,
                             json::encodeDocument(QJsonObject{{QStringLiteral("id"), json::uuidToString(id)}}));
    m_logger->debug(QStringLiteral("Saved debug identity to ") + m_identityFilePath);
}

std::optional<DebugMacIdentifierService::LocalIdentityState> DebugMacIdentifierService::readLocalIdentityState()
{
    if (!QFileInfo::exists(m_localIdentityFilePath)) {
        return std::nullopt;
    }
    try {
        const QJsonObject object = json::requireObject(
            json::decodeDocument(MockFileIO::readFile(m_localIdentityFilePath)), QStringLiteral("local identity"));
        return LocalIdentityState{json::optionalString(object, QStringLiteral("advertisedName")),
                                  json::requireString(object, QStringLiteral("installationId"))};
    } catch (const std::exception &error) {
        m_logger->warning(QStringLiteral("Failed to load debug local identity state from ") + m_localIdentityFilePath
                          + QStringLiteral(": ") + describeError(error));
        return std::nullopt;
    }
}

QString DebugMacIdentifierService::loadOrCreateInstallationId(const std::optional<LocalIdentityState> &state)
{
    if (state && json::uuidFromString(state->installationId)) {
        return state->installationId.toLower();
    }
    const QString created = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
    try {
        saveLocalIdentityState(LocalIdentityState{state ? state->advertisedName : std::nullopt, created});
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to persist debug installation identity: ") + describeError(error));
    }
    return created;
}

void DebugMacIdentifierService::saveLocalIdentityState(const LocalIdentityState &state)
{
    QJsonObject object{{QStringLiteral("installationId"), state.installationId}};
    if (state.advertisedName) {
        object.insert(QStringLiteral("advertisedName"), *state.advertisedName);
    }
    MockFileIO::writeInPlace(m_localIdentityFilePath, json::encodeDocument(object));
    m_logger->debug(QStringLiteral("Saved debug local identity state to ") + m_localIdentityFilePath);
}

void DebugMacIdentifierService::setAdvertisedName(const std::optional<QString> &name)
{
    m_advertisedName = MacIdentifierService::normalizedAdvertisedName(name);
    Q_EMIT advertisedNameDidChange(m_advertisedName);
    try {
        saveLocalIdentityState(LocalIdentityState{m_advertisedName, m_installationId});
    } catch (const std::exception &error) {
        m_logger->error(QStringLiteral("Failed to persist debug advertised name: ") + describeError(error));
    }
}

DiscoverableMac DebugMacIdentifierService::makeDiscoveredMac(const std::optional<QString> &securityCode) const
{
    QString name = m_advertisedName.value_or(QSysInfo::machineHostName());
    if (m_debugProfileName) {
        name = u'[' + *m_debugProfileName + QStringLiteral("] ") + name;
    }
    // The profile's mark keeps its place; the name after it gives way.
    name = capToUtf8Bytes(name, MacIdentifierService::maxAdvertisedNameBytes);
    return DiscoverableMac(m_currentMacId, name, QStringLiteral("1.0.0"), std::nullopt, m_installationId, securityCode,
                           m_clock->now());
}

} // namespace verandel
