#include "mock/DebugContextKeeper.h"

#include "foundation/FileSystemError.h"
#include "foundation/StorageError.h"
#include "mock/FileWatcherError.h"
#include "mock/MockFileIO.h"

#include <QFileInfo>

namespace verandel {

DebugContextKeeper::DebugContextKeeper(QString contextPath, LoggerFactory &loggerFactory, ClockPtr clock,
                                       QObject *parent)
    : DebugContextProvider(parent)
    , m_logger(loggerFactory.createLogger(QStringLiteral("DebugContextKeeper")))
    , m_contextPath(std::move(contextPath))
    , m_fileWatcher(std::move(clock))
{
    loadOrCreateContext();
    startWatching();
}

DebugContextKeeper::~DebugContextKeeper()
{
    m_fileWatcher.stopWatching();
}

void DebugContextKeeper::loadOrCreateContext()
{
    const bool fileExists = QFileInfo::exists(m_contextPath);
    try {
        if (fileExists) {
            m_context = DebugContext::load(m_contextPath);
        } else {
            const DebugContext created = DebugContext::createDefault();
            created.save(m_contextPath);
            m_context = created;
        }
    } catch (const std::exception &error) {
        replaceUnreadableContext(describeError(error), fileExists);
    }
}

void DebugContextKeeper::replaceUnreadableContext(const QString &loadError, bool fileExists)
{
    // A hand-edited file that does not load is kept aside before the default takes its place; when
    // it cannot be kept, it is not overwritten either.
    bool mayOverwrite = true;
    QString kept;
    if (fileExists) {
        try {
            MockFileIO::writeInPlace(invalidCopyPath(), MockFileIO::readFile(m_contextPath));
            kept = QStringLiteral(" (its content is kept in ") + invalidCopyPath() + QStringLiteral(")");
        } catch (const FileSystemError &error) {
            mayOverwrite = false;
            kept = QStringLiteral(" (it is left as it is: keeping its content in ") + invalidCopyPath()
                + QStringLiteral(" failed: ") + error.description() + QStringLiteral(")");
        }
    }
    m_logger->error(QStringLiteral("Warning: Failed to load debug context from ") + m_contextPath + QStringLiteral(": ")
                    + loadError + kept);
    m_logger->info(QStringLiteral("Creating default debug context..."));
    m_context = DebugContext::createDefault();
    if (!mayOverwrite) {
        return;
    }
    try {
        m_context.save(m_contextPath);
        m_logger->info(QStringLiteral("Default debug context saved to ") + m_contextPath);
    } catch (const StorageError &error) {
        m_logger->error(QStringLiteral("Warning: Failed to save default debug context: ") + error.errorDescription());
    }
}

void DebugContextKeeper::startWatching()
{
    connect(&m_fileWatcher, &FileWatcher::fileDidChange, this, &DebugContextKeeper::handleContextFileChange);
    try {
        m_fileWatcher.startWatching(m_contextPath);
    } catch (const FileWatcherError &error) {
        m_logger->error(QStringLiteral("Warning: Failed to start watching context file at ") + m_contextPath
                        + QStringLiteral(": ") + error.errorDescription());
    }
}

void DebugContextKeeper::handleContextFileChange(const QString &filePath)
{
    if (filePath.isEmpty() || filePath != m_contextPath) {
        return;
    }
    m_logger->info(QStringLiteral("Debug context file changed, reloading..."));
    DebugContext loaded;
    try {
        loaded = DebugContext::load(m_contextPath);
    } catch (const std::exception &error) {
        // The last good context stays; the file is left for its editor to fix.
        m_logger->error(QStringLiteral("Error reloading debug context: ") + describeError(error));
        return;
    }
    m_context = loaded;
    m_logger->debug(QStringLiteral("Successfully reloaded debug context from ") + m_contextPath);
    Q_EMIT contextChanged(loaded);
}

void DebugContextKeeper::reloadDebugContext()
{
    const DebugContext loaded = DebugContext::load(m_contextPath);
    m_context = loaded;
    Q_EMIT contextChanged(loaded);
}

void DebugContextKeeper::updateDebugContext(const DebugContext &context)
{
    m_context = context;
    context.save(m_contextPath);
}

void DebugContextKeeper::updateDebugContext(const std::function<void(DebugContext &)> &change)
{
    DebugContext changed = m_context;
    change(changed);
    changed.save(m_contextPath);
    m_context = changed;
}

} // namespace verandel
