#pragma once

#include "update/UpdateVersion.h"

#include <QString>

#include <optional>

namespace verandel {

// The note an install leaves for the next launch: which version was installed and which one it
// replaced, so the new process can report "installed and relaunched" and, having started once,
// remove the old folder. A small JSON file; anything unreadable in it counts as no note.
class UpdateRelaunchMarker
{
public:
    static inline const QString fileName = QStringLiteral("update-relaunch.json");

    struct Content
    {
        UpdateVersion installedVersion;
        std::optional<UpdateVersion> previousVersion;
    };

    explicit UpdateRelaunchMarker(QString path);

    // Throws UpdaterError installFailed when it cannot be written.
    void write(const Content &content) const;
    // Reads and deletes the note.
    std::optional<Content> take() const;

private:
    QString m_path;
};

} // namespace verandel
