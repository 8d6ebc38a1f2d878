#include "update/UpdateArchiveExtractor.h"

#include "update/UpdaterError.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <archive.h>
#include <archive_entry.h>

#include <climits>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace verandel::UpdateArchiveExtractor {

namespace {

constexpr qint64 maxUnpackedBytes = qint64(2) * 1024 * 1024 * 1024;
constexpr int maxEntries = 100000;
// As the kernel: more links than this on the way to one place is a loop.
constexpr int maxLinksFollowed = 40;

[[noreturn]] void refuse(const QString &reason)
{
    throw UpdaterError(UpdaterError::installFailed, QStringLiteral("The update could not be unpacked: %1").arg(reason));
}

struct ReaderDeleter
{
    void operator()(archive *reader) const { archive_read_free(reader); }
};
struct WriterDeleter
{
    void operator()(archive *writer) const { archive_write_free(writer); }
};

// The components of a path inside the archive, or nothing when it is absolute or climbs with "..".
// "." and empty components are dropped.
std::optional<QStringList> relativeComponents(const QString &path)
{
    if (path.startsWith(QLatin1Char('/'))) {
        return std::nullopt;
    }
    QStringList components;
    for (const QString &part : path.split(QLatin1Char('/'))) {
        if (part == QStringLiteral("..")) {
            return std::nullopt;
        }
        if (!part.isEmpty() && part != QStringLiteral(".")) {
            components.append(part);
        }
    }
    return components;
}

// Whether a symbolic link at these components with this target stays inside the folder.
bool linkStaysInside(const QStringList &location, const QString &target)
{
    if (target.isEmpty() || target.startsWith(QLatin1Char('/'))) {
        return false;
    }
    qsizetype depth = location.size() - 1;
    for (const QString &part : target.split(QLatin1Char('/'))) {
        if (part == QStringLiteral("..")) {
            if (--depth < 0) {
                return false;
            }
        } else if (!part.isEmpty() && part != QStringLiteral(".")) {
            ++depth;
        }
    }
    return true;
}

// What the link at this path points to, as written; nothing when the path is no link.
std::optional<QString> readLink(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status
    { };
    if (::lstat(encoded.constData(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        return std::nullopt;
    }
    QByteArray target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(encoded.constData(), target.data(), static_cast<size_t>(target.size()));
    if (length < 0) {
        return QString(); // unreadable: refused as an empty target
    }
    target.truncate(length);
    return QFile::decodeName(target);
}

// Resolves a link's target, read from the folder at `base` (components under the root), step by step
// as the kernel does: a component that is a link is replaced by where it leads, so a ".." after it
// climbs from there. Nothing when a step leaves the root or the links go round.
class LinkResolver
{
public:
    explicit LinkResolver(QString root)
        : m_root(std::move(root))
    { }

    std::optional<QStringList> resolve(QStringList base, const QString &target)
    {
        if (target.isEmpty() || target.startsWith(QLatin1Char('/'))) {
            return std::nullopt;
        }
        QStringList current = std::move(base);
        for (const QString &part : target.split(QLatin1Char('/'))) {
            if (part.isEmpty() || part == QStringLiteral(".")) {
                continue;
            }
            if (part == QStringLiteral("..")) {
                if (current.isEmpty()) {
                    return std::nullopt;
                }
                current.removeLast();
                continue;
            }
            current.append(part);
            const std::optional<QString> link = readLink(m_root + QLatin1Char('/') + current.join(QLatin1Char('/')));
            if (!link) {
                continue; // a folder, a file or nothing yet: taken as written
            }
            if (++m_followed > maxLinksFollowed) {
                return std::nullopt;
            }
            current.removeLast();
            std::optional<QStringList> resolved = resolve(current, *link);
            if (!resolved) {
                return std::nullopt;
            }
            current = std::move(*resolved);
        }
        return current;
    }

private:
    QString m_root;
    int m_followed = 0;
};

// Every link under the root, resolved through the links it passes, must end inside the root.
void refuseLinksThatLeave(const QString &root)
{
    QDirIterator entries(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    const QDir folder(root);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const std::optional<QString> target = readLink(path);
        if (!target) {
            continue;
        }
        QStringList location = folder.relativeFilePath(path).split(QLatin1Char('/'));
        location.removeLast();
        if (!LinkResolver(root).resolve(location, *target)) {
            refuse(QStringLiteral("a link leaves the folder"));
        }
    }
}

QString entryPath(archive_entry *entry)
{
    const char *path = archive_entry_pathname(entry);
    return path ? QString::fromUtf8(path) : QString();
}

} // namespace

void extract(const QByteArray &archiveData, const QString &destination)
{
    // Written by full path under the folder's real path, so no link on the way there is followed.
    const QString root = QFileInfo(destination).canonicalFilePath();
    if (root.isEmpty()) {
        refuse(QStringLiteral("no folder to unpack into"));
    }
    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_tar(reader.get());
    archive_read_support_format_gnutar(reader.get());
    if (archive_read_open_memory(reader.get(), archiveData.constData(), static_cast<size_t>(archiveData.size()))
        != ARCHIVE_OK) {
        refuse(QString::fromUtf8(archive_error_string(reader.get())));
    }
    std::unique_ptr<archive, WriterDeleter> writer(archive_write_disk_new());
    archive_write_disk_set_options(writer.get(),
                                   ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_SECURE_SYMLINKS
                                       | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_NO_OVERWRITE);

    qint64 unpacked = 0;
    int entries = 0;
    archive_entry *entry = nullptr;
    while (true) {
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) {
            break;
        }
        if (status != ARCHIVE_OK) {
            refuse(QString::fromUtf8(archive_error_string(reader.get())));
        }
        if (++entries > maxEntries) {
            refuse(QStringLiteral("too many entries"));
        }
        const QString path = entryPath(entry);
        const std::optional<QStringList> components = relativeComponents(path);
        if (!components) {
            refuse(QStringLiteral("an entry leaves the folder"));
        }
        if (components->isEmpty()) {
            continue; // the archive's own top folder, "./"
        }
        const mode_t type = archive_entry_filetype(entry);
        const char *hardlink = archive_entry_hardlink(entry);
        if (hardlink) {
            const std::optional<QStringList> target = relativeComponents(QString::fromUtf8(hardlink));
            if (!target || target->isEmpty()) {
                refuse(QStringLiteral("a link leaves the folder"));
            }
            archive_entry_set_hardlink(entry, (root + QLatin1Char('/') + target->join(QLatin1Char('/'))).toUtf8());
        } else if (type == AE_IFLNK) {
            const char *target = archive_entry_symlink(entry);
            if (!target || !linkStaysInside(*components, QString::fromUtf8(target))) {
                refuse(QStringLiteral("a link leaves the folder"));
            }
        } else if (type != AE_IFREG && type != AE_IFDIR) {
            refuse(QStringLiteral("an entry is a device, pipe or socket"));
        }
        const mode_t owner = type == AE_IFDIR ? 0700 : 0600;
        archive_entry_set_perm(entry, (archive_entry_perm(entry) & 0755) | owner);
        archive_entry_set_pathname(entry, (root + QLatin1Char('/') + components->join(QLatin1Char('/'))).toUtf8());
        if (archive_write_header(writer.get(), entry) != ARCHIVE_OK) {
            refuse(QString::fromUtf8(archive_error_string(writer.get())));
        }
        const void *block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        while (true) {
            const int read = archive_read_data_block(reader.get(), &block, &size, &offset);
            if (read == ARCHIVE_EOF) {
                break;
            }
            if (read != ARCHIVE_OK) {
                refuse(QString::fromUtf8(archive_error_string(reader.get())));
            }
            unpacked += static_cast<qint64>(size);
            if (unpacked > maxUnpackedBytes) {
                refuse(QStringLiteral("it is too large"));
            }
            if (archive_write_data_block(writer.get(), block, size, offset) != ARCHIVE_OK) {
                refuse(QString::fromUtf8(archive_error_string(writer.get())));
            }
        }
        if (archive_write_finish_entry(writer.get()) != ARCHIVE_OK) {
            refuse(QString::fromUtf8(archive_error_string(writer.get())));
        }
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK) {
        refuse(QString::fromUtf8(archive_error_string(writer.get())));
    }
    // Each link was checked as text when it was written; only now, with all of them in place, can a
    // chain of them be followed.
    refuseLinksThatLeave(root);
}

} // namespace verandel::UpdateArchiveExtractor
