#include "mock/DebugFrameSender.h"

#include "foundation/FileSystemError.h"
#include "foundation/JsonFields.h"
#include "foundation/LogText.h"
#include "mock/MockFileIO.h"
#include "peer/wire/EventEnvelopeCodec.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace verandel {

DebugFrameSender::DebugFrameSender(LoggerFactory &loggerFactory, QString dataFilePath, QString configFilePath)
    : m_logger(loggerFactory.createLogger(QStringLiteral("DebugFrameSender"), LogLevel::Info))
    , m_dataFilePath(std::move(dataFilePath))
    , m_configFilePath(std::move(configFilePath))
{
    loadConfig();
}

void DebugFrameSender::loadConfig()
{
    if (!QFileInfo::exists(m_configFilePath)) {
        m_logger->debug(QStringLiteral("No config file found at ") + m_configFilePath
                        + QStringLiteral(", using defaults"));
        return;
    }
    QByteArray bytes;
    try {
        bytes = MockFileIO::readFile(m_configFilePath);
    } catch (const FileSystemError &error) {
        m_logger->error(QStringLiteral("Failed to load config: ") + error.description());
        return;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        m_logger->error(QStringLiteral("Failed to load config: ") + parseError.errorString());
        return;
    }
    const QJsonValue failAll = document.object().value(QStringLiteral("failAll"));
    if (!document.isObject() || !failAll.isBool()) {
        return;
    }
    m_failAll = failAll.toBool();
    m_logger->info(QStringLiteral("Loaded config: failAll=")
                   + (m_failAll ? QStringLiteral("true") : QStringLiteral("false")));
}

QCoro::Task<bool> DebugFrameSender::send(RawEventEnvelope envelope, DiscoverableMac)
{
    const QString id = json::uuidToString(envelope.id);
    if (m_failAll) {
        m_logger->debug(QStringLiteral("failAll is true, returning false for envelope ") + id);
        co_return false;
    }
    const bool written = append(envelope, id);
    co_return written;
}

bool DebugFrameSender::append(const RawEventEnvelope &envelope, const QString &id)
{
    m_logger->debug(QStringLiteral("Encoding envelope %1 (payload: %2) to data")
                        .arg(id, escapeControlCharacters(QString::fromUtf8(envelope.payload))));
    const EnvelopeResult<QByteArray> encoded = EventEnvelopeCodec::encodeToData(envelope);
    if (!encoded) {
        m_logger->error(QStringLiteral("Failed to encode envelope %1: %2").arg(id, encoded.error().description()));
        return false;
    }
    // Compact JSON holds no line break, so each envelope is one line.
    try {
        MockFileIO::append(m_dataFilePath, encoded.value() + '\n');
    } catch (const FileSystemError &error) {
        m_logger->error(QStringLiteral("Failed to write envelope %1: %2").arg(id, error.description()));
        return false;
    }
    m_logger->debug(QStringLiteral("Wrote envelope %1 (type: %2) to %3")
                        .arg(id, escapeControlCharacters(envelope.type), m_dataFilePath));
    return true;
}

} // namespace verandel
