#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace verandel {

// What a launch asks for beyond starting: the screen to open, whether the desktop started it at login,
// and the token that lets its window come forward.
struct LaunchOptions
{
    static inline const QString autoOpenVariable = QStringLiteral("VERANDEL_AUTO_OPEN");
    static inline const QString openScreenOption = QStringLiteral("--open-screen");
    static inline const QString autostartOption = QStringLiteral("--autostart");

    // VERANDEL_AUTO_OPEN when it is set at all (an empty value included, and then the command line is
    // not read), else the argument after the first "--open-screen"; none when neither names a value.
    std::optional<QString> openScreen;
    // Started from the autostart entry at login rather than by the user.
    bool autostart = false;
    // XDG_ACTIVATION_TOKEN, else DESKTOP_STARTUP_ID; empty when the launcher gave none.
    QString activationToken;

    // `arguments` are the whole command line, the program path included.
    static LaunchOptions parse(const QStringList &arguments, const QProcessEnvironment &environment);
};

} // namespace verandel
