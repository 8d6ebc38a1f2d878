#include "foundation/ResourceBundle.h"

#include "foundation/DefaultLogger.h"
#include "foundation/LogSubsystem.h"

#include <QDir>
#include <QFileInfo>

namespace verandel {

const QString ResourceBundle::markerFileName = QStringLiteral("runtime-env");

ResourceBundle::ResourceBundle(QString executableDirectory, QString buildResourcesDirectory, LoggerPtr logger)
    : m_executableDirectory(QDir::cleanPath(std::move(executableDirectory)))
    , m_buildResourcesDirectory(QDir::cleanPath(std::move(buildResourcesDirectory)))
    , m_logger(logger ? std::move(logger)
                      : std::make_shared<DefaultLogger>(logSubsystem, QStringLiteral("ModuleResourcesBundle"), false,
                                                        std::nullopt))
{ }

QString ResourceBundle::defaultBuildDirectory()
{
    return QStringLiteral(VERANDEL_BUILD_RESOURCES_DIR);
}

bool ResourceBundle::holdsResources(const QString &directory)
{
    return QFileInfo(QDir(directory).filePath(markerFileName)).isFile();
}

QString ResourceBundle::module()
{
    if (!m_module) {
        if (holdsResources(m_executableDirectory)) {
            m_module = m_executableDirectory;
        } else if (holdsResources(m_buildResourcesDirectory)) {
            m_module = m_buildResourcesDirectory;
        } else {
            qFatal("could not load resource bundle: from %s or %s", qUtf8Printable(m_executableDirectory),
                   qUtf8Printable(m_buildResourcesDirectory));
        }
    }
    return *m_module;
}

QString ResourceBundle::moduleResources()
{
    if (m_moduleResources) {
        return *m_moduleResources;
    }
    const QString installed = QDir::cleanPath(m_executableDirectory + QStringLiteral("/../share/verandel"));
    if (holdsResources(installed)) {
        m_logger->info(QStringLiteral("Resolved via Bundle.main at ") + installed);
        m_moduleResources = installed;
        return installed;
    }
    // Not installed: beside the executable or the build tree, or a fatal stop when neither holds them.
    const QString fallback = module();
    m_logger->info(QStringLiteral("Falling back to Bundle.module for resources (not in .app bundle)"));
    m_moduleResources = fallback;
    return fallback;
}

std::optional<QString> ResourceBundle::url(const QString &resourceName)
{
    const QString path = QDir(moduleResources()).filePath(resourceName);
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    return path;
}

} // namespace verandel
