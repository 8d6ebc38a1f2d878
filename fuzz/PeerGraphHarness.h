#pragma once

#include <cstddef>
#include <cstdint>

namespace verandel::fuzz {

// Feeds one input, as the stream of a connection from 127.0.0.1, to a computer linked with another
// over loopback and in Discovery Mode: past the hub, into the connection monitor, the discovery
// service, the ownership map and the control coordinator, which run their flows to the end in
// virtual time. Every event the hub delivers is checked against the wire sanitizer's promises
// (canonical addresses, no control or bidi characters, bounded lists). The graph is built afresh
// for every input, its stores on a tmpfs where there is one. The local computer is
// F0000000-0000-4000-8000-000000000001, the linked one ...0002. Answers how many events reached the hub.
int feedPeerGraph(const std::uint8_t *data, std::size_t size);

} // namespace verandel::fuzz
