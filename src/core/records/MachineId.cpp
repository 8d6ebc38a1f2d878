#include "records/MachineId.h"

#include <QFile>
#include <QMessageAuthenticationCode>

#include <cctype>

namespace verandel::MachineId {

namespace {

// Fixed for the life of the program: changing it changes every installation's id towards its peers.
const QUuid applicationKey = QUuid::fromString(QStringLiteral("bbc6d3b6-260d-48d3-b18e-ccb6e6ee4647"));

// Machine-id files are 33 bytes; anything much larger is not one.
constexpr qint64 maxFileSize = 128;

} // namespace

std::optional<QUuid> parse(const QByteArray &content)
{
    QByteArray digits = content;
    if (digits.endsWith('\n')) {
        digits.chop(1);
    }
    if (digits.size() != 32) {
        return std::nullopt;
    }
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    const QUuid id = QUuid::fromRfc4122(QByteArray::fromHex(digits));
    if (id.isNull()) {
        return std::nullopt;
    }
    return id;
}

Reader fileReader(QStringList paths)
{
    return [paths = std::move(paths)]() -> std::optional<QUuid> {
        for (const QString &path : paths) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                continue;
            }
            if (const std::optional<QUuid> id = parse(file.read(maxFileSize))) {
                return id;
            }
        }
        return std::nullopt;
    };
}

Reader systemReader()
{
    return fileReader({QStringLiteral("/etc/machine-id"), QStringLiteral("/var/lib/dbus/machine-id")});
}

QUuid appSpecificId(const QUuid &machineId)
{
    QByteArray digest = QMessageAuthenticationCode::hash(applicationKey.toRfc4122(), machineId.toRfc4122(),
                                                         QCryptographicHash::Sha256)
                            .left(16);
    digest[6] = static_cast<char>((digest[6] & 0x0F) | 0x40);
    digest[8] = static_cast<char>((digest[8] & 0x3F) | 0x80);
    return QUuid::fromRfc4122(digest);
}

} // namespace verandel::MachineId
