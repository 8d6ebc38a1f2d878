#pragma once

#include "foundation/StorageManager.h"

#include "support/FaultyFileManager.h"
#include "support/ManualClock.h"
#include "support/TestFiles.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace verandel::test {

// A real storage directory in a temporary folder, with file failures on demand and virtual time.
class StoreFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_clock->setNow(QDateTime(QDate(2026, 3, 4), QTime(12, 0, 5, 250), Qt::UTC));
        m_clock->setAutoAdvance(true);
        m_storage = StorageManager::create(m_files, m_clock, m_dir.filePath(QStringLiteral("store")), m_logs);
    }

    QString path(const QString &name) const { return m_dir.filePath(QStringLiteral("store/") + name); }
    QByteArray contents(const QString &name) const { return readFile(path(name)); }
    bool exists(const QString &name) const { return QFile::exists(path(name)); }
    void writeRaw(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("store")));
        writeFile(path(name), bytes);
    }
    // Everything in the storage directory, to see that a failed operation wrote nothing.
    QStringList storedFiles() const
    {
        return QDir(m_dir.filePath(QStringLiteral("store"))).entryList(QDir::Files, QDir::Name);
    }
    static std::optional<StorageError::Kind> kindOf(const std::function<void()> &operation)
    {
        try {
            operation();
        } catch (const StorageError &error) {
            return error.kind();
        }
        return std::nullopt;
    }

    QTemporaryDir m_dir;
    std::shared_ptr<FaultyFileManager> m_files = std::make_shared<FaultyFileManager>();
    std::shared_ptr<ManualClock> m_clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory m_logs;
    StorageManagerPtr m_storage;
};

} // namespace verandel::test
