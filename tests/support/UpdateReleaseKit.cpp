#include "support/UpdateReleaseKit.h"

#include <archive.h>
#include <archive_entry.h>
#include <sodium.h>

#include <memory>
#include <stdexcept>

namespace verandel::test {

TestSigningKey TestSigningKey::generate()
{
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot start");
    }
    QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, '\0');
    TestSigningKey key;
    key.m_secretKey = QByteArray(crypto_sign_SECRETKEYBYTES, '\0');
    crypto_sign_keypair(reinterpret_cast<unsigned char *>(publicKey.data()),
                        reinterpret_cast<unsigned char *>(key.m_secretKey.data()));
    key.m_publicKeyBase64 = publicKey.toBase64();
    return key;
}

QByteArray TestSigningKey::sign(const QByteArray &data) const
{
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char *>(data.constData()),
                         static_cast<unsigned long long>(data.size()),
                         reinterpret_cast<const unsigned char *>(m_secretKey.constData()));
    return signature.toBase64();
}

QByteArray makeTarball(const QList<TarEntry> &entries)
{
    std::unique_ptr<archive, decltype(&archive_write_free)> writer(archive_write_new(), &archive_write_free);
    archive_write_set_format_pax_restricted(writer.get());
    archive_write_add_filter_gzip(writer.get());
    // Large enough for every test archive; used() says how much was written.
    QByteArray buffer(8 * 1024 * 1024, '\0');
    size_t used = 0;
    archive_write_open_memory(writer.get(), buffer.data(), static_cast<size_t>(buffer.size()), &used);
    for (const TarEntry &item : entries) {
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), &archive_entry_free);
        archive_entry_set_pathname(entry.get(), item.path.toUtf8().constData());
        archive_entry_set_perm(entry.get(), static_cast<mode_t>(item.mode));
        switch (item.type) {
        case TarEntry::Type::file:
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_size(entry.get(), item.content.size());
            break;
        case TarEntry::Type::directory: archive_entry_set_filetype(entry.get(), AE_IFDIR); break;
        case TarEntry::Type::symlink:
            archive_entry_set_filetype(entry.get(), AE_IFLNK);
            archive_entry_set_symlink(entry.get(), item.linkTarget.toUtf8().constData());
            break;
        case TarEntry::Type::hardlink:
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_hardlink(entry.get(), item.linkTarget.toUtf8().constData());
            break;
        case TarEntry::Type::fifo: archive_entry_set_filetype(entry.get(), AE_IFIFO); break;
        }
        archive_write_header(writer.get(), entry.get());
        if (item.type == TarEntry::Type::file && !item.content.isEmpty()) {
            archive_write_data(writer.get(), item.content.constData(), static_cast<size_t>(item.content.size()));
        }
    }
    archive_write_close(writer.get());
    buffer.truncate(static_cast<qsizetype>(used));
    return buffer;
}

QByteArray makeReleaseTarball(const QString &version)
{
    return makeTarball({
        TarEntry::directory(QStringLiteral("bin")),
        TarEntry::file(QStringLiteral("bin/verandel"), "#!/bin/sh\necho " + version.toUtf8() + "\n", 0755),
        TarEntry::file(QStringLiteral("share/verandel/VERSION"), version.toUtf8()),
    });
}

QByteArray makeAppcast(const QList<FeedItem> &items)
{
    QByteArray feed = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
                      "<channel><title>Verandel</title>\n";
    for (const FeedItem &item : items) {
        feed += "<item><title>Version " + item.version.toHtmlEscaped().toUtf8() + "</title>\n";
        feed += "<sparkle:version>" + item.version.toHtmlEscaped().toUtf8() + "</sparkle:version>\n";
        if (!item.displayVersion.isEmpty()) {
            feed += "<sparkle:shortVersionString>" + item.displayVersion.toHtmlEscaped().toUtf8()
                + "</sparkle:shortVersionString>\n";
        }
        if (!item.minimumSystemVersion.isEmpty()) {
            feed += "<sparkle:minimumSystemVersion>" + item.minimumSystemVersion.toUtf8()
                + "</sparkle:minimumSystemVersion>\n";
        }
        if (!item.link.isEmpty()) {
            feed += "<link>" + item.link.toHtmlEscaped().toUtf8() + "</link>\n";
        }
        if (item.informationOnly) {
            feed += "<sparkle:informationalUpdate/>\n";
        }
        if (!item.url.isEmpty()) {
            feed += "<enclosure url=\"" + item.url.toHtmlEscaped().toUtf8() + "\" length=\""
                + QByteArray::number(item.length) + "\" type=\"application/gzip\" sparkle:edSignature=\""
                + item.signature + "\" sparkle:os=\"" + item.os.toUtf8() + "\" sparkle:arch=\"" + item.arch.toUtf8()
                + "\"";
            if (!item.osId.isEmpty()) {
                feed += " sparkle:os-id=\"" + item.osId.toUtf8() + "\"";
            }
            feed += "/>\n";
        }
        feed += "</item>\n";
    }
    return feed + "</channel></rss>\n";
}

} // namespace verandel::test
