#include "shell/LaunchOptions.h"

namespace verandel {

LaunchOptions LaunchOptions::parse(const QStringList &arguments, const QProcessEnvironment &environment)
{
    LaunchOptions options;
    if (environment.contains(autoOpenVariable)) {
        options.openScreen = environment.value(autoOpenVariable);
    } else if (const qsizetype index = arguments.indexOf(openScreenOption);
               index >= 0 && index + 1 < arguments.size()) {
        options.openScreen = arguments.at(index + 1);
    }
    options.autostart = arguments.contains(autostartOption);
    for (const QString &variable : {QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("DESKTOP_STARTUP_ID")}) {
        if (const QString token = environment.value(variable); !token.isEmpty()) {
            options.activationToken = token;
            break;
        }
    }
    return options;
}

} // namespace verandel
