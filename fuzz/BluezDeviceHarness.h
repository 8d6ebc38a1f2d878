#pragma once

#include <cstddef>
#include <cstdint>

namespace verandel::fuzz {

// The properties a Bluetooth device in radio range controls (address, name, alias, class, appearance,
// modalias, service UUIDs), each of the type BlueZ gives or of another one, read the way the device
// manager reads them and classified, named and stored as a paired device would be. Answers 1 when
// the properties carried a usable address.
int feedBluezDeviceProperties(const std::uint8_t *data, std::size_t size);

} // namespace verandel::fuzz
