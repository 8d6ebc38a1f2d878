#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "mock/DebugContextProvider.h"
#include "mock/DebugContextUpdater.h"
#include "mock/FileWatcher.h"

namespace verandel {

// Holds the current debug context of a mock-mode run: loads the file at construction (writing the
// default document when there is none or it cannot be read), watches it, and reloads and announces
// it on every change. The one reader and writer of the file for the services that run on it; all of
// it runs on the main thread, so updates and reloads never overlap.
class DebugContextKeeper final : public DebugContextProvider, public DebugContextUpdater
{
    Q_OBJECT

public:
    // Never fails: a file that cannot be read, written or watched is logged and the default context
    // stands in memory.
    DebugContextKeeper(QString contextPath, LoggerFactory &loggerFactory, ClockPtr clock, QObject *parent = nullptr);
    ~DebugContextKeeper() override;

    DebugContext getContext() const override { return m_context; }
    void updateDebugContext(const DebugContext &context) override;
    void updateDebugContext(const std::function<void(DebugContext &)> &change) override;

    // Loads the file, makes it current and announces it; throws the load error and changes nothing.
    void reloadDebugContext();

    const QString &contextPath() const { return m_contextPath; }
    // Where an unreadable context file's bytes are kept before the default replaces it.
    QString invalidCopyPath() const { return m_contextPath + QStringLiteral(".invalid"); }
    const FileWatcher &fileWatcher() const { return m_fileWatcher; }

private:
    void loadOrCreateContext();
    void replaceUnreadableContext(const QString &loadError, bool fileExists);
    void startWatching();
    void handleContextFileChange(const QString &filePath);

    LoggerPtr m_logger;
    QString m_contextPath;
    FileWatcher m_fileWatcher;
    DebugContext m_context;
};

} // namespace verandel
