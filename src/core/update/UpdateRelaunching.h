#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace verandel {

// Ends this process through the program's graceful shutdown and starts the program again, from an
// argument list (never a shell string), once this process is on its way out.
class UpdateRelaunching
{
public:
    virtual ~UpdateRelaunching() = default;
    virtual void relaunch(const QString &program, const QStringList &arguments) = 0;
};

using UpdateRelaunchingPtr = std::shared_ptr<UpdateRelaunching>;

} // namespace verandel
