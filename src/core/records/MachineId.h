#pragma once

#include <QByteArray>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

namespace verandel::MachineId {

// Reads this machine's raw 128-bit id, or nothing when there is no usable one.
using Reader = std::function<std::optional<QUuid>()>;

// The id in a machine-id file: 32 hexadecimal digits and an optional line break. Nothing for any
// other content, and for the all-zero id of an uninitialised system.
std::optional<QUuid> parse(const QByteArray &content);

// Tries the files in order and answers the first usable id.
Reader fileReader(QStringList paths);
// /etc/machine-id, then /var/lib/dbus/machine-id.
Reader systemReader();

// The id this program shows its peers: an HMAC-SHA256 of a fixed application key under the machine
// id, cut to a version-4 UUID (what sd_id128_get_machine_app_specific computes). Stable per machine,
// while the machine id itself, which other programs use, never leaves the machine.
QUuid appSpecificId(const QUuid &machineId);

} // namespace verandel::MachineId
