#include "support/FaultyFileManager.h"

#include "foundation/FileSystemError.h"

namespace verandel::test {

void FaultyFileManager::failWith(Operation operation, int code, int times)
{
    std::lock_guard guard(m_mutex);
    m_failures[operation] = Failure{code, times};
}

void FaultyFileManager::clearFailures()
{
    std::lock_guard guard(m_mutex);
    m_failures.clear();
}

int FaultyFileManager::callCount(Operation operation) const
{
    std::lock_guard guard(m_mutex);
    return m_calls.value(operation);
}

void FaultyFileManager::setHook(Operation operation, std::function<void()> hook)
{
    std::lock_guard guard(m_mutex);
    m_hooks[operation] = std::move(hook);
}

void FaultyFileManager::enter(Operation operation, const QString &path)
{
    std::function<void()> hook;
    int failure = 0;
    {
        std::lock_guard guard(m_mutex);
        ++m_calls[operation];
        hook = m_hooks.value(operation);
        auto it = m_failures.find(operation);
        if (it != m_failures.end() && it->remaining != 0) {
            failure = it->code;
            if (it->remaining > 0) {
                --it->remaining;
            }
        }
    }
    if (hook) {
        hook();
    }
    if (failure != 0) {
        throw FileSystemError::fromErrno(failure, path);
    }
}

bool FaultyFileManager::exists(const QString &path)
{
    enter(Operation::Exists, path);
    return m_real.exists(path);
}

void FaultyFileManager::createDirectory(const QString &path)
{
    enter(Operation::CreateDirectory, path);
    m_real.createDirectory(path);
}

QByteArray FaultyFileManager::readFile(const QString &path)
{
    enter(Operation::ReadFile, path);
    return m_real.readFile(path);
}

void FaultyFileManager::writeNewFile(const QString &path, const QByteArray &data)
{
    enter(Operation::WriteNewFile, path);
    m_real.writeNewFile(path, data);
}

void FaultyFileManager::copyFile(const QString &source, const QString &destination, Flush flush)
{
    enter(Operation::CopyFile, destination);
    m_real.copyFile(source, destination, flush);
}

void FaultyFileManager::replaceFile(const QString &destination, const QString &source)
{
    enter(Operation::ReplaceFile, destination);
    m_real.replaceFile(destination, source);
}

void FaultyFileManager::removeFile(const QString &path)
{
    enter(Operation::RemoveFile, path);
    m_real.removeFile(path);
}

QStringList FaultyFileManager::listDirectory(const QString &path)
{
    enter(Operation::ListDirectory, path);
    return m_real.listDirectory(path);
}

} // namespace verandel::test
