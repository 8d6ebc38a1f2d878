#pragma once

#include <cstddef>
#include <cstdint>

namespace verandel::fuzz {

// A series of reports of the local network service, as any host on the LAN can cause them: instances
// found (instance name, host, address, port, TXT strings) and lost, on a few interfaces and both
// protocols. They go through the browse aggregator and the browser's results into the discovery
// transport, and each record it publishes is cleaned as linking cleans it. Answers how many records
// the transport published.
int feedDnsSdBrowse(const std::uint8_t *data, std::size_t size);

} // namespace verandel::fuzz
