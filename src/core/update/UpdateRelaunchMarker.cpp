#include "update/UpdateRelaunchMarker.h"

#include "update/UpdaterError.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace verandel {

namespace {

constexpr qint64 maxMarkerSize = 4096;
const QString installedKey = QStringLiteral("installedVersion");
const QString previousKey = QStringLiteral("previousVersion");

} // namespace

UpdateRelaunchMarker::UpdateRelaunchMarker(QString path)
    : m_path(std::move(path))
{ }

void UpdateRelaunchMarker::write(const Content &content) const
{
    QJsonObject object{{installedKey, content.installedVersion.toString()}};
    if (content.previousVersion) {
        object.insert(previousKey, content.previousVersion->toString());
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(object).toJson()) < 0 || !file.commit()) {
        throw UpdaterError::installFailure(file.errorString());
    }
}

std::optional<UpdateRelaunchMarker::Content> UpdateRelaunchMarker::take() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.read(maxMarkerSize)).object();
    file.close();
    file.remove();
    const std::optional<UpdateVersion> installed = UpdateVersion::parse(object.value(installedKey).toString());
    if (!installed) {
        return std::nullopt;
    }
    return Content{*installed, UpdateVersion::parse(object.value(previousKey).toString())};
}

} // namespace verandel
