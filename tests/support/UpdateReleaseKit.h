#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace verandel::test {

// An Ed25519 key pair made for one test, and its detached signatures (base64).
class TestSigningKey
{
public:
    static TestSigningKey generate();
    const QByteArray &publicKeyBase64() const { return m_publicKeyBase64; }
    QByteArray sign(const QByteArray &data) const;

private:
    QByteArray m_publicKeyBase64;
    QByteArray m_secretKey;
};

// One entry of a test tarball.
struct TarEntry
{
    enum class Type { file, directory, symlink, hardlink, fifo };
    QString path;
    QByteArray content; // files
    Type type = Type::file;
    QString linkTarget; // links
    int mode = 0644;

    static TarEntry file(QString path, QByteArray content, int mode = 0644)
    {
        return TarEntry{std::move(path), std::move(content), Type::file, {}, mode};
    }
    static TarEntry directory(QString path) { return TarEntry{std::move(path), {}, Type::directory, {}, 0755}; }
    static TarEntry link(Type type, QString path, QString target)
    {
        return TarEntry{std::move(path), {}, type, std::move(target), 0777};
    }
};

// A gzip-compressed tar archive of the entries, in order.
QByteArray makeTarball(const QList<TarEntry> &entries);

// A release as the installer expects it: bin/verandel (an executable script printing the version)
// and share/verandel/VERSION.
QByteArray makeReleaseTarball(const QString &version);

// One <item> of a test appcast.
struct FeedItem
{
    QString version;
    QString displayVersion;
    QString url;
    qint64 length = 0;
    QByteArray signature;
    QString os = QStringLiteral("linux");
    QString arch;
    QString osId;
    QString minimumSystemVersion;
    QString link;
    bool informationOnly = false;
};

QByteArray makeAppcast(const QList<FeedItem> &items);

} // namespace verandel::test
