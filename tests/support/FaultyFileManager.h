#pragma once

#include "foundation/PosixFileManager.h"

#include <QHash>

#include <functional>
#include <mutex>

namespace verandel::test {

// The real file system with failures on demand: a chosen operation fails with a chosen errno, as
// the kernel would report it (root ignores file modes, so chmod cannot provoke these).
class FaultyFileManager final : public FileManagerProtocol
{
public:
    enum class Operation {
        Exists,
        CreateDirectory,
        ReadFile,
        WriteNewFile,
        CopyFile,
        ReplaceFile,
        RemoveFile,
        ListDirectory
    };

    // Fails the next `times` calls of the operation (-1: every call) with errno `code`.
    void failWith(Operation operation, int code, int times = -1);
    void clearFailures();
    int callCount(Operation operation) const;
    // Runs before every call of the operation (after counting it), e.g. to block a thread.
    void setHook(Operation operation, std::function<void()> hook);

    bool exists(const QString &path) override;
    void createDirectory(const QString &path) override;
    QByteArray readFile(const QString &path) override;
    void writeNewFile(const QString &path, const QByteArray &data) override;
    void copyFile(const QString &source, const QString &destination, Flush flush) override;
    void replaceFile(const QString &destination, const QString &source) override;
    void removeFile(const QString &path) override;
    QStringList listDirectory(const QString &path) override;

private:
    struct Failure
    {
        int code = 0;
        int remaining = 0;
    };
    void enter(Operation operation, const QString &path);

    PosixFileManager m_real;
    mutable std::mutex m_mutex;
    QHash<Operation, Failure> m_failures;
    QHash<Operation, int> m_calls;
    QHash<Operation, std::function<void()>> m_hooks;
};

} // namespace verandel::test
