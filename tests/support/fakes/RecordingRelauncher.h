#pragma once

#include "update/UpdateRelaunching.h"

#include <QList>

namespace verandel::test {

// Records each relaunch instead of quitting.
class RecordingRelauncher final : public UpdateRelaunching
{
public:
    struct Call
    {
        QString program;
        QStringList arguments;
    };
    QList<Call> calls;

    void relaunch(const QString &program, const QStringList &arguments) override { calls.append({program, arguments}); }
};

} // namespace verandel::test
