#pragma once

#include <QByteArray>
#include <QString>

// The XDG autostart entry of the program: a desktop entry file that the desktop reads at login.
namespace verandel::AutostartEntry {

// The argument the program is started with at login, so it can tell such a start from the user's.
inline const QString autostartArgument = QStringLiteral("--autostart");

// The entry that starts the executable with autostartArgument; a hidden one stands for an entry of
// the same name in a system directory, which the desktop then skips.
QByteArray make(const QString &executablePath, bool hidden);

// Whether desktop-entry text describes an application that the desktop starts at login: its
// "[Desktop Entry]" group has Type=Application, and neither Hidden=true nor
// X-GNOME-Autostart-enabled=false.
bool startsAtLogin(const QByteArray &content);

// One argument of an Exec key as desktop entries want it: quoted, with the quoting
// escapes, literal percent signs doubled, then the escapes of a string value applied on top.
QString execArgument(const QString &argument);

} // namespace verandel::AutostartEntry
