#pragma once

#include "update/UpdateRelaunching.h"

#include <functional>

namespace verandel {

// Asks the application to quit (its graceful shutdown runs), then starts the new program as a
// detached process when the event loop is about to end. The new process waits for this one's id.
class DetachedRelauncher final : public UpdateRelaunching
{
public:
    // quit: how the program shuts down (QCoreApplication::quit when none is given).
    explicit DetachedRelauncher(std::function<void()> quit = {});
    void relaunch(const QString &program, const QStringList &arguments) override;

private:
    std::function<void()> m_quit;
};

} // namespace verandel
