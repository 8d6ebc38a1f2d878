#pragma once

#include "foundation/LoggerProtocol.h"

#include <QString>

#include <optional>

namespace verandel {

// Finds the directory the core's resource files ship in: the installed share directory next to the
// executable ("../share/verandel"), else the executable's own directory, else the build tree. A
// directory counts only when it holds "runtime-env", which every build installs.
//
// Each accessor resolves once per instance and keeps its answer; the owner builds one instance for
// the process. A program whose resources are nowhere stops at start-up with a fatal message.
class ResourceBundle
{
public:
    static const QString markerFileName;

    // `logger` defaults to the system log under the category "ModuleResourcesBundle".
    explicit ResourceBundle(QString executableDirectory, QString buildResourcesDirectory = defaultBuildDirectory(),
                            LoggerPtr logger = nullptr);

    // The directory the rest of the core reads resources from; logs how it was found.
    QString moduleResources();
    // The basic lookup: beside the executable, then the build tree.
    QString module();

    // The path of a resource file in moduleResources(), absent when there is no such file.
    std::optional<QString> url(const QString &resourceName);

    static QString defaultBuildDirectory();

private:
    static bool holdsResources(const QString &directory);

    QString m_executableDirectory;
    QString m_buildResourcesDirectory;
    LoggerPtr m_logger;
    std::optional<QString> m_moduleResources;
    std::optional<QString> m_module;
};

} // namespace verandel
