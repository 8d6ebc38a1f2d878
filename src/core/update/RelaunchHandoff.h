#pragma once

#include "foundation/LoggerProtocol.h"

#include <QStringList>

#include <chrono>
#include <optional>

namespace verandel::RelaunchHandoff {

// The argument that tells a relaunched process which process it replaces.
inline const QString waitForPidArgument = QStringLiteral("--relaunch-after-pid");
constexpr std::chrono::milliseconds waitLimit{10000};

// The arguments a relaunch starts the new executable with.
QStringList arguments(qint64 oldPid);

// The old process's id, when the arguments carry a well-formed one.
std::optional<qint64> oldPid(const QStringList &arguments);

// Blocks until the process has ended or the limit passed; true when it ended (or never existed).
// The new process calls this before it takes the single-instance name, which the old one still holds
// while it shuts down.
bool waitForProcessEnd(qint64 pid, std::chrono::milliseconds limit = waitLimit);

// waitForProcessEnd for a relaunched program, with its log lines: false (and why) when the process it
// replaces is still running after the limit.
bool awaitReplacedProcess(qint64 pid, LoggerProtocol &logger, std::chrono::milliseconds limit = waitLimit);

} // namespace verandel::RelaunchHandoff
